#include "launcher/Startup.h"

#include <exception>

#include "launcher/DataDM.h"
#include "launcher/FSysLoader.h"
#include "launcher/Globals.h"
#include "launcher/InstallJournal.h"
#include "launcher/SysDM.h"
#include "launcher/UpdateCheck.h"
#include "launcher/Utils.h"
#include "platform/core/SysUtils.h"
#include "platform/forms/Forms.h"

TFSysLoader* FSysLoader = nullptr;

namespace {

AnsiString ExeFileName() {
    char buffer[MAX_PATH * 4] = {};
    DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof(buffer));
    return AnsiString(buffer, n);
}

void FreeStatusWindow() {
    delete FSysLoader;
    FSysLoader = nullptr;
}

} // namespace

int RunLauncher() {
    Application->Initialize();

    // Owned for the life of the process; a second copy leaves without a word.
    HANDLE mutex = CreateMutexA(nullptr, TRUE, LauncherMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        if (mutex) ReleaseMutex(mutex);
        return 0;
    }
    // An install cut short by a kill is undone first: it may have moved the main application or
    // the database aside.
    SettleInterruptedInstall(Globals->AppPath);

    AnsiString mainApp =
        ExcludeTrailingPathDelimiter(ExtractFilePath(ExeFileName())) + "\\" + MainAppFileName;
    if (!FileExists(mainApp)) {
        Application->MessageBox("主程序丢失，无法进行在线更新,重新安装可以解决此问题.", "在线更新",
                                MB_ICONERROR);
        return 0;
    }

    Application->SetTitle(LauncherTitle);
    std::exception_ptr error;
    try {
        Application->CreateForm(DataDM);
        Application->CreateForm(SysDM);
        // A database that cannot be opened ends the run without a word.
        if (SysDM->OpenSystem()) {
            DataDM->LoadSystemConfig();
            Application->CreateForm(FSysLoader);
            FSysLoader->Update();
            FSysLoader->Show();
            FSysLoader->BringToFront();
            Application->ProcessMessages();
            // The window stays as painted: no messages are handled during the pause.
            Sleep(1000);
            // Its result is not used: on a normal end it has started the main application.
            CheckUpdates(FSysLoader);
        }
    } catch (...) {
        error = std::current_exception();
    }
    // However steps 5 to 10 ended.
    FreeStatusWindow();
    delete DataDM;
    delete SysDM;
    if (error) Application->HandleException(error);
    return 0;
}

void RunMainApp() {
    AnsiString folder = Globals->AppPath;
    RunProcess(folder, folder + MainAppFileName, SW_SHOWNORMAL);
    Application->Terminate();
}
