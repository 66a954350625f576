#pragma once
// String tables of the editor framework. A table is an X-macro list of (name, default text): it
// declares one AnsiString per name, and its unit registers them, in list order, as one group of
// the resource-string repository at start and removes the group at the end.
#include "ui/core/CoreClasses.h"

#define VZ_DECLARE_RES_STRING(name, text) extern AnsiString name;
#define VZ_DEFINE_RES_STRING(name, text) AnsiString name = text;
#define VZ_ADD_RES_STRING(name, text) product->AddResString(#name, &name);
