#pragma once
// One row of the form types (table RepType).
#include "platform/core/ObjectModel.h"
#include "platform/core/Strings.h"

class TFormType : public TObject {
public:
    VZ_CLASS(TFormType, TObject)
    int32_t TypeID = 0;
    AnsiString Class;
    AnsiString TypeName;
    AnsiString TypeDesc;
    AnsiString TypeFile;
    AnsiString FileVer;
    AnsiString RepTime;
    AnsiString FixedCode;
};
