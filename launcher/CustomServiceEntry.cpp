#include "launcher/CustomServiceEntry.h"

#include "launcher/SysConfig.h"
#include "launcher/Utils.h"
#include "platform/core/DateTime.h"
#include "platform/soap/Rio.h"

const GUID CustomServiceEntry::IID = {
    0x74B1411F, 0xAE15, 0x2ADF, {0x87, 0x6B, 0x9F, 0xAB, 0xDF, 0x46, 0x70, 0x40}};
const GUID SsbCustomServiceEntry::IID = {
    0x8910E2B7, 0x2A9E, 0xAB59, {0xA8, 0x74, 0x57, 0xE7, 0x6C, 0x93, 0x5F, 0xA6}};

const wchar_t* const SCustomServiceNamespace = L"http://www.vazevor.com/wsbs/services/";
const wchar_t* const SSsbServiceNamespace = L"http://www.vazevor.com/wssw/services/";

TServiceProxy* ServiceProxy = nullptr;

namespace {

const unsigned kTimeout = 300000; // ms, for connect, send and receive alike
unsigned timeout = kTimeout;

// The client side of doService: one SOAP exchange over the client that made it.
template <class Intf, class Entity> class TDoServiceProxy : public Intf {
public:
    explicit TDoServiceProxy(std::shared_ptr<THTTPRIO> rio) : rio_(std::move(rio)) {}
    std::unique_ptr<Entity> doService(const WideString& sid, const Entity* param) override {
        std::vector<TSoapParam> params(2);
        params[0].Name = L"sid";
        params[0].Str = sid;
        params[1].Name = L"param";
        params[1].IsObject = true;
        params[1].Obj = param;
        params[1].Type = typeid(Entity);
        std::unique_ptr<TRemotable> result = rio_->Invoke(Intf::IID, L"doService", params, typeid(Entity));
        return std::unique_ptr<Entity>(static_cast<Entity*>(result.release()));
    }

private:
    std::shared_ptr<THTTPRIO> rio_;
};

template <class Prop> TRemotableClassInfo PropertyClass(const wchar_t* ns) {
    TRemotableClassInfo info;
    info.Type = typeid(Prop);
    info.Name = L"ExtProperty";
    info.Namespace = ns;
    info.Create = [] { return std::make_unique<Prop>(); };
    info.Props = {StringProp(L"name", &Prop::name), StringProp(L"value", &Prop::value)};
    return info;
}

template <class Entity> TRemotableClassInfo EntityClass(const wchar_t* name, const wchar_t* ns) {
    TRemotableClassInfo info;
    info.Type = typeid(Entity);
    info.Name = name;
    info.Namespace = ns;
    info.Create = [] { return std::make_unique<Entity>(); };
    info.Props = {BytesProp(L"casignData", &Entity::casignData), BytesProp(L"formData", &Entity::formData),
                  BytesProp(L"inputData", &Entity::inputData),   ArrayProp(L"props", &Entity::props),
                  BytesProp(L"returnData", &Entity::returnData), StringProp(L"rtCode", &Entity::rtCode),
                  StringProp(L"rtMsg", &Entity::rtMsg)};
    return info;
}

template <class Intf, class Entity>
TInvokableInterfaceInfo InterfaceInfo(const wchar_t* name, const wchar_t* ns) {
    TInvokableInterfaceInfo info;
    info.Iid = Intf::IID;
    info.Name = name;
    info.Namespace = ns;
    info.WSDLEncoding = L"UTF-8";
    info.CreateProxy = [](std::shared_ptr<THTTPRIO> rio) -> std::shared_ptr<void> {
        return std::make_shared<TDoServiceProxy<Intf, Entity>>(std::move(rio));
    };
    return info;
}

} // namespace

std::shared_ptr<CustomServiceEntry> GetCustomServiceEntry(bool UseWSDL, const AnsiString& Addr,
                                                          std::shared_ptr<THTTPRIO> HTTPRIO) {
    AnsiString addr = Addr;
    if (addr.empty() && SystemConfig) addr = SystemConfig->ServiceURL();
    addr += UseWSDL ? "/services/CustomServiceEntry?wsdl" : "/services/CustomServiceEntry";
    std::shared_ptr<THTTPRIO> rio = HTTPRIO ? HTTPRIO : THTTPRIO::Create();
    THTTPReqResp& node = rio->HTTPWebNode();
    node.ConnectTimeout = timeout;
    node.SendTimeout = timeout;
    node.ReceiveTimeout = timeout;
    node.UseUTF8InHeader = true;
    std::shared_ptr<CustomServiceEntry> result = rio->As<CustomServiceEntry>();
    if (UseWSDL) {
        rio->WSDLLocation = addr;
        rio->Service = "CustomServiceEntryService";
        rio->Port = "CustomServiceEntry";
    } else {
        rio->SetURL(addr);
    }
    // Without an interface a client made here goes with the last reference to it.
    return result;
}

unsigned ServiceCallTimeout() {
    return timeout;
}

void SetServiceCallTimeout(unsigned ms) {
    timeout = ms ? ms : kTimeout;
}

std::unique_ptr<CustomEntity> TServiceProxy::CallService(const WideString& sid, const CustomEntity* entity,
                                                         const AnsiString& Addr) {
    std::shared_ptr<CustomServiceEntry> service = GetCustomServiceEntry(false, Addr, nullptr);
    if (!service) return nullptr;
    try {
        return service->doService(sid, entity);
    } catch (const Exception& e) {
        AppendErrorLog(FormatDateTime("yyyy-mm-dd hh:nn:ss zzz", Now()) + "在调用SID为" + WideToAnsi(sid) +
                       "的服务时出错,详细信息:" + e.Message());
        return nullptr;
    }
}

void ServiceEntryInitialize() {
    TInvokableRegistry& inv = InvRegistry();
    inv.RegisterInterface(
        InterfaceInfo<CustomServiceEntry, CustomEntity>(L"CustomServiceEntry", SCustomServiceNamespace));
    inv.RegisterDefaultSOAPAction(CustomServiceEntry::IID, L"");
    inv.RegisterInterface(InterfaceInfo<SsbCustomServiceEntry, SsbCustomEntity>(L"SsbCustomServiceEntry",
                                                                                SSsbServiceNamespace));
    inv.RegisterDefaultSOAPAction(SsbCustomServiceEntry::IID, L"");

    TRemotableClassRegistry& rem = RemClassRegistry();
    rem.RegisterXSClass(PropertyClass<ExtProperty>(L"urn:CustomService"));
    rem.RegisterXSInfo({typeid(ArrayOf_tns1_ExtProperty), typeid(ExtProperty), L"ArrayOf_tns1_ExtProperty",
                        SCustomServiceNamespace});
    rem.RegisterXSClass(EntityClass<CustomEntity>(L"CustomEntity", L"urn:CustomService"));
    rem.RegisterXSClass(PropertyClass<SsbExtProperty>(L"urn:SsbService"));
    rem.RegisterXSInfo({typeid(SsbArrayOf_tns1_ExtProperty), typeid(SsbExtProperty),
                        L"ArrayOf_tns1_ExtProperty", SSsbServiceNamespace});
    rem.RegisterXSClass(EntityClass<SsbCustomEntity>(L"SsbCustomEntity", L"urn:SsbService"));

    if (!ServiceProxy) ServiceProxy = new TServiceProxy();
}

void ServiceEntryFinalize() {
    delete ServiceProxy;
    ServiceProxy = nullptr;
    InvRegistry().UnRegisterInterface(CustomServiceEntry::IID);
    InvRegistry().UnRegisterInterface(SsbCustomServiceEntry::IID);
    for (std::type_index t :
         {std::type_index(typeid(ExtProperty)), std::type_index(typeid(ArrayOf_tns1_ExtProperty)),
          std::type_index(typeid(CustomEntity)), std::type_index(typeid(SsbExtProperty)),
          std::type_index(typeid(SsbArrayOf_tns1_ExtProperty)), std::type_index(typeid(SsbCustomEntity))})
        RemClassRegistry().UnRegisterXSClass(t);
}
