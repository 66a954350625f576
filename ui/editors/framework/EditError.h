#pragma once
// The editor library's error: every failure of an editor, its values or its masks.
#include "platform/core/Exceptions.h"

VZ_EXCEPTION_CLASS(EcxEditError, Exception);
