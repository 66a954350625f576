#pragma once
// The launcher's status window: a small borderless box with one line of progress text.
#include "platform/forms/Forms.h"
#include "ui/editors/ProgressBarEdit.h"

class TFSysLoader : public TForm {
public:
    VZ_CLASS(TFSysLoader, TForm)
    explicit TFSysLoader(TComponent* owner);

    // The progress text; the update check replaces it once per module.
    TLabel* lblNote = nullptr;
    // A download progress bar the stored form keeps hidden; the launcher never touches it.
    TcxProgressBar* pbDown = nullptr;
};
