#pragma once
// The one way the project includes Win32: every unit sees the same macros (the ANSI names).
#include <windows.h>
