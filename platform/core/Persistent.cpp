#include "platform/core/Persistent.h"

void TPersistent::Assign(TPersistent* source) {
    if (source)
        source->AssignTo(this);
    else
        AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* dest) {
    dest->AssignError(this);
}

void TPersistent::AssignError(TPersistent* source) {
    AnsiString sourceName = source ? source->ClassName() : AnsiString("nil");
    throw EConvertError(Format("Cannot assign a %s to a %s", {sourceName, ClassName()}));
}
