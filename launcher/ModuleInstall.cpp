// The service client's download and the four installers of the update check.
#include "launcher/CallService.h"
#include "launcher/DataDM.h"
#include "launcher/Globals.h"
#include "launcher/InstallJournal.h"
#include "launcher/Messages.h"
#include "launcher/ModuleFiles.h"
#include "launcher/SysDM.h"
#include "launcher/UpdateCheck.h"
#include "launcher/Utils.h"
#include "platform/forms/Forms.h"

namespace {

bool Unzip(const AnsiString& fileName, const AnsiString& folder, const char* message,
           const AnsiString& module) {
    bool ok = false;
    try {
        TInstallJournal journal(Globals->AppPath, module);
        ok = UnzipAll(fileName, folder, &journal);
    } catch (const std::exception&) {
        ShowLauncherMessage(message);
    }
    DeleteFileA(fileName.c_str());
    return ok;
}

} // namespace

bool TCallService::DownloadAndInstall(const AnsiString& xmlText, const AnsiString& moduleType,
                                      int localVersion) {
    const AnsiString fileName = GetTempDir() + DownloadFileName;
    {
        std::unique_ptr<CustomEntity> entity = BuildEntity(xmlText);
        struct TextKept {
            bool& keep;
            ~TextKept() { keep = true; }
        } restore{keepResponseText_};
        keepResponseText_ = false;
        if (!Invoke(UpdateServiceId, entity.get())) return false;
        AnsiString error;
        if (!WriteDownload(fileName, entity->returnData.data(), entity->returnData.size(), error)) {
            ErrorText = error;
            return false;
        }
    }
    if (moduleType == "00") return InstallAppPackage(fileName);
    if (moduleType == "20") return InstallTemplatePackage(fileName);
    if (moduleType == "90") return InstallDatabase(fileName);
    if (moduleType == "99") return RunSqlUpdate(fileName, localVersion);
    return true;
}

bool TCallService::InstallAppPackage(const AnsiString& fileName) {
    return Unzip(fileName, Globals->AppPath, "无效的应用程序包.", ModuleName);
}

bool TCallService::InstallTemplatePackage(const AnsiString& fileName) {
    return Unzip(fileName, Globals->AppPath + "Template\\", "无效的模板文件包.", ModuleName);
}

// The database is never copied over in place: an empty or broken package or a full disk would
// destroy it. The package goes beside it and is swapped in by renaming; the old file stays until
// the new one opens and reads SysConfig, and comes back otherwise.
bool TCallService::InstallDatabase(const AnsiString& fileName) {
    SysDM->Disconnect();
    auto copy = [](const AnsiString& source, const AnsiString& target) {
        return ShellCopyFile(source, target, Application ? Application->Handle() : nullptr);
    };
    auto check = [] {
        try {
            SysDM->Reconnect();
            DataDM->GetSysConfig("SYSTEM", "DatabaseVer");
            return true;
        } catch (...) {
            SysDM->Disconnect();
            throw;
        }
    };
    AnsiString error;
    TInstallJournal journal(Globals->AppPath, ModuleName);
    if (SwapInFile(fileName, Globals->AppPath + "VazEvor.mdb", copy, check, error, &journal)) {
        DeleteFileA(fileName.c_str());
        return true;
    }
    ErrorText = error;
    try {
        SysDM->Reconnect(); // the old file, back in its place
    } catch (const std::exception&) {
    }
    return false;
}

// One transaction for the package: a failing line leaves no trace of the lines before it, so
// the next start can run them all again.
bool TCallService::RunSqlUpdate(const AnsiString& fileName, int localVersion) {
    bool ok = false;
    try {
        const std::vector<TSqlLine> lines = SplitSqlLines(ReadWholeFile(fileName));
        SysDM->StartTransaction();
        try {
            for (const TSqlLine& line : lines) {
                if (VersionNumber(line.Version) <= localVersion) continue;
                DataDM->qryTemp->Close();
                DataDM->qryTemp->SQL()->SetText(line.Statement);
                DataDM->qryTemp->Execute();
            }
            DataDM->qryTemp->Close();
            SysDM->Commit();
        } catch (...) {
            DataDM->qryTemp->Close();
            SysDM->Rollback();
            throw;
        }
        ok = true;
    } catch (const std::exception& e) {
        ErrorText = e.what();
    }
    DeleteFileA(fileName.c_str());
    return ok;
}
