#pragma once
// Strings, formatting, file names and exceptions in one include.
#include "platform/core/Strings.h"
#include "platform/core/Exceptions.h"
