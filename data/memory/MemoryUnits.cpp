#include "data/memory/MemoryUnits.h"

#include "data/memory/CLRClasses.h"
#include "data/memory/MemUtils.h"

std::vector<UnitEntry> MemoryUnits() {
    return {
        {"CLRClasses", 10, CLRClassesStart, CLRClassesEnd},
        {"MemUtils", 20, MemUtilsStart, MemUtilsEnd},
    };
}
