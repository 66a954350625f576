#include "launcher/CallService.h"

#include "launcher/Globals.h"
#include "launcher/Utils.h"
#include "platform/core/DateTime.h"

TCallService::~TCallService() = default;

bool TCallService::Call(const AnsiString& sid, const AnsiString& xmlText, const AnsiString& Addr) {
    std::unique_ptr<CustomEntity> entity = BuildEntity(xmlText);
    return Invoke(sid, entity.get(), Addr);
}

bool TCallService::Invoke(const AnsiString& sid, CustomEntity* entity, const AnsiString& Addr) {
    RtCode.clear();
    ErrorText.clear();
    std::unique_ptr<CustomEntity> reply =
        ServiceProxy ? ServiceProxy->CallService(AnsiToWide(sid), entity, Addr) : nullptr;
    if (!reply) {
        ErrorText = "网络异常，请确认！";
        return false;
    }
    RtCode = WideToAnsi(reply->rtCode);
    ErrorText = WideToAnsi(reply->rtMsg);
    if (!ErrorText.empty())
        AppendErrorLog(FormatDateTime("yyyy-mm-dd hh:nn:ss zzz", Now()) + "在调用SID为" + sid +
                       "的服务时,后台返回异常信息:" + ErrorText);
    if (reply->rtCode != L"1") return false;
    // From pointer and length: a string assigned from byte iterators passes through a temporary
    // copy, a package's worth more at the peak.
    auto text = [](const TByteDynArray& bytes) {
        return AnsiString(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    };
    if (keepResponseText_)
        ResponseText = text(reply->returnData);
    else
        ResponseText.clear();
    FormText = text(reply->formData);
    entity->returnData = std::move(reply->returnData);
    entity->formData = std::move(reply->formData);
    return true;
}

void TCallService::AddProp(const AnsiString& name, const AnsiString& value) {
    if (!Props) Props = std::make_unique<std::map<AnsiString, AnsiString>>();
    (*Props)[name] = value;
}

ArrayOf_tns1_ExtProperty TCallService::BuildProps() {
    ArrayOf_tns1_ExtProperty out;
    if (!Props) return out;
    for (auto& [name, value] : *Props) {
        auto p = std::make_unique<ExtProperty>();
        p->name = AnsiToWide(name);
        p->value = AnsiToWide(value);
        out.push_back(std::move(p));
    }
    Props.reset();
    return out;
}

std::unique_ptr<CustomEntity> TCallService::BuildEntity(const AnsiString& xmlText) {
    auto entity = std::make_unique<CustomEntity>();
    int loginType = Globals ? Globals->LoginType : -1;
    AddProp("loginType", std::to_string(loginType));
    AddProp("loginName", Globals ? Globals->LoginName : AnsiString());
    AddProp("password", Globals ? Globals->Password : AnsiString());
    AddProp("caGuid", Globals ? Globals->CaGuid1 : AnsiString());
    AddProp("caGuid", Globals ? Globals->CaGuid2 : AnsiString());
    entity->inputData.assign(xmlText.begin(), xmlText.end());
    entity->props = BuildProps();
    return entity;
}
