#include "launcher/UpdateCheck.h"

#include "launcher/CallService.h"
#include "launcher/DataDM.h"
#include "launcher/FSysLoader.h"
#include "launcher/FormData.h"
#include "launcher/Messages.h"
#include "launcher/ModuleFiles.h"
#include "launcher/Startup.h"
#include "launcher/XmlBeanParser.h"
#include "platform/forms/Forms.h"

namespace {

// The SysConfig row (class SYSTEM) that records each type's version; none for "20" and unknown types.
const char* VersionRowName(const AnsiString& moduleType) {
    if (moduleType == "00") return "AppVer";
    if (moduleType == "90") return "DatabaseVer";
    if (moduleType == "99") return "SQLVer";
    return nullptr;
}

AnsiString QuotedSql(const AnsiString& text) {
    AnsiString out = "'";
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}

// The template version is read from the very rows it is written to (class "Tax"): a namesake
// of another class would otherwise yield a version that is never written.
AnsiString TemplateVersion(const AnsiString& moduleCode) {
    auto type = DataDM->GetRepType("TypeName", QuotedSql(moduleCode) + " and Class='Tax'");
    return type->FileVer;
}

AnsiString PackageRequest(const AnsiString& id) {
    TCommonXmlBean bean(true);
    bean.Request->AddCell("cell", "id", id);
    bean.Request->AddCell("cell", "msid", "901");
    return TXMLBeanParser::BeanToXml(&bean);
}

} // namespace

bool CheckUpdates(TFSysLoader* loader) {
    AnsiString listRequest;
    {
        TCommonXmlBean bean(true);
        bean.Request->AddCell("cell", "msid", "900");
        listRequest = TXMLBeanParser::BeanToXml(&bean);
    }
    TCallService call;
    if (!call.Call(UpdateServiceId, listRequest)) {
        ShowLauncherMessage(call.ErrorText);
        return false;
    }
    std::unique_ptr<TCommonXmlBean> reply = TXMLBeanParser::XmlToBean(AnsiToWide(call.GetResponseText()));
    // A reply that is no envelope, or one without the module list, is a failed call.
    if (!reply) {
        ShowLauncherMessage(NetworkErrorText);
        return false;
    }
    if (reply->Head->repcode != "1") {
        ShowLauncherMessage(reply->Head->returnMessage);
        return false;
    }
    TItem* list = reply->Body ? reply->Body->FindItem("list1") : nullptr;
    if (!list) {
        ShowLauncherMessage(NetworkErrorText);
        return false;
    }
    for (int i = 0; TItem* row = list->ItemAt(i); ++i) {
        const AnsiString moduleType = row->GetCellValue("moduleType", false);
        const AnsiString moduleCode = row->GetCellValue("moduleCode", false);
        const AnsiString moduleName = row->GetCellValue("moduleName", false);
        const AnsiString id = row->GetCellValue("id", false);
        const AnsiString versionNumber = row->GetCellValue("versionNumber", false);

        if (loader) loader->lblNote->SetCaption("正在检查[" + moduleName + "]更新...");
        Application->ProcessMessages();

        const char* rowName = VersionRowName(moduleType);
        // A type the launcher cannot install is neither fetched nor recorded.
        if (!rowName && moduleType != "20") continue;
        const AnsiString local =
            rowName ? DataDM->GetSysConfig("SYSTEM", rowName) : TemplateVersion(moduleCode);
        if (!IsNewerVersion(versionNumber, local)) continue;

        call.ModuleName = moduleName;
        if (!call.DownloadAndInstall(PackageRequest(id), moduleType, VersionNumber(local))) continue;
        if (rowName)
            DataDM->SetSysConfig("SYSTEM", rowName, versionNumber);
        else
            DataDM->SetRepTypeVer("Tax", moduleCode, versionNumber);
    }
    RunMainApp();
    return true;
}
