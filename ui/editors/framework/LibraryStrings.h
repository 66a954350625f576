#pragma once
// The library's strings, with the keywords of smart date text (group "cxLibrary").
#include "ui/editors/framework/StringTable.h"

#define VZ_LIBRARY_STRINGS(X)                                                                                \
    X(scxCantCreateRegistryKey, "Can't create the registry key: \\%s")                                       \
    X(scxCantOpenRegistryKey, "Can't open the registry key: \\%s")                                           \
    X(scxErrorStoreObject, "Error store %s object")                                                          \
    X(scxConverterCantCreateStyleRepository, "Can't create the Style Repository")                            \
    X(cxSDateToday, "今天")                                                                                  \
    X(cxSDateYesterday, "yesterday")                                                                         \
    X(cxSDateTomorrow, "tomorrow")                                                                           \
    X(cxSDateSunday, "Sunday")                                                                               \
    X(cxSDateMonday, "Monday")                                                                               \
    X(cxSDateTuesday, "Tuesday")                                                                             \
    X(cxSDateWednesday, "Wednesday")                                                                         \
    X(cxSDateThursday, "Thursday")                                                                           \
    X(cxSDateFriday, "Friday")                                                                               \
    X(cxSDateSaturday, "Saturday")                                                                           \
    X(cxSDateFirst, "first")                                                                                 \
    X(cxSDateSecond, "second")                                                                               \
    X(cxSDateThird, "third")                                                                                 \
    X(cxSDateFourth, "fourth")                                                                               \
    X(cxSDateFifth, "fifth")                                                                                 \
    X(cxSDateSixth, "sixth")                                                                                 \
    X(cxSDateSeventh, "seventh")                                                                             \
    X(cxSDateBOM, "bom")                                                                                     \
    X(cxSDateEOM, "eom")                                                                                     \
    X(cxSDateNow, "now")

VZ_LIBRARY_STRINGS(VZ_DECLARE_RES_STRING)

extern const char* const LibraryStringsGroup;
void LibraryStringsInitialize();
void LibraryStringsFinalize();
