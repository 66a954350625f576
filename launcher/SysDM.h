#pragma once
// The system data module: the connection to "VazEvor.mdb" in the application folder.
#include "launcher/CustomDM.h"

class TSysDM : public TCustomMainDM {
public:
    VZ_CLASS(TSysDM, TCustomMainDM)
    // Binds the queries of DataDM, when it exists, to UniMain.
    explicit TSysDM(TComponent* owner);
    // Unbinds them again and empties SysDM when it refers to this module.
    ~TSysDM() override;

    // OnCreate: the password and the database file beside the executable; does not connect.
    void DataModuleCreate(TObject* sender);
    // Loads the skin (its errors escape), then reconnects: False when that raises.
    bool OpenSystem() override;
};

// Null until the start routine creates the module.
extern TSysDM* SysDM;
