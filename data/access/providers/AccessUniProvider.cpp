#include "data/access/providers/AccessUniProvider.h"

namespace {
TStringList* AccessFunctions = nullptr;
TStringList* AccessMacros = nullptr;
} // namespace

TAccessFormatter::TAccessFormatter() {
    Functions = AccessFunctions;
    PredefinedMacros = AccessMacros;
}

void AccessUniProviderUnitInitialize() {
    AccessFunctions = new TStringList();
    for (const char* line :
         {"USER=USER", "CHAR_LENGTH=LEN(%s)", "LOCATE=POSSTR(%1:s, %0:s)", "SUBSTRING=SUBSTR(%s, %s, %s)",
          "CONCAT=%s + %s", "CHAR=CHAR(%s)", "TRIM=TRIM(%s)", "TRUNCATE=TRUNC(%s, %s)", "CEILING=CEILING(%s)",
          "CURRENT_DATE=CURRENT_DATE", "YEAR=YEAR(%s)", "MONTH=MONTH(%s)", "DAY=DAY(%s)",
          "__DATE_TIME_LITERAL=(%s)", "__DATE_LITERAL=(%s)", "__TIME_LITERAL=(%s)", "TODATE=(%s)",
          "TONUMBER=(%s)", "TOCHAR=(%s)"})
        AccessFunctions->Add(line);
    AccessMacros = new TStringList();
    for (const char* line : {"PROVIDER=Access", "ACCESS=", "DATETIME=DATE", "DOUBLE=DOUBLE", "VARCHAR=TEXT"})
        AccessMacros->Add(line);
}

void AccessUniProviderUnitFinalize() {
    delete AccessFunctions;
    AccessFunctions = nullptr;
    delete AccessMacros;
    AccessMacros = nullptr;
}
