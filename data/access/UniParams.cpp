#include "data/access/UniParams.h"

#include "data/access/UniProvider.h"
#include "platform/db/DBTypes.h"

TUniBlob::~TUniBlob() {
    SetNativeBlob(nullptr);
}

void TUniBlob::SetNativeBlob(TBlob* blob) {
    if (blob == native_) return;
    TSharedObject::Free(native_);
    native_ = blob;
}

void TUniBlob::DoNotify() {
    if (native_) native_->DoNotify();
}

TUniCursor::~TUniCursor() {
    SetNativeCursor(nullptr);
}

void TUniCursor::SetNativeCursor(TCRCursor* cursor) {
    if (cursor == native_) return;
    if (cursor) cursor->AddRef();
    TSharedObject::Free(native_);
    native_ = cursor;
}

// ---------------------------------------------------------------------------------------------

bool TUniParam::TypeNeedsObject(TFieldType type) const {
    return TDAParam::TypeNeedsObject(type) || type == ftCursor || type == ftADT || type == ftArray ||
           type == ftOraBlob || type == ftOraClob;
}

bool TUniParam::TypeIsObject(TFieldType type) const {
    return TDAParam::TypeIsObject(type) || type == ftOraBlob || type == ftOraClob;
}

void TUniParam::CreateValueObject() {
    if (DataType() == ftCursor)
        valueObject_ = new TUniCursor();
    else if (HoldsObject())
        valueObject_ = new TUniBlob(false);
    else
        TDAParam::CreateValueObject();
}

TUniProvider* TUniParam::OwnerProvider() const {
    auto* params = dynamic_cast<TUniParams*>(Collection());
    if (!params) DatabaseError("Connection is not defined");
    return params->OwnerProvider();
}

TSharedObject* TUniParam::GetValueObject() const {
    if (auto* blob = dynamic_cast<TUniBlob*>(valueObject_)) {
        TUniProvider* provider = OwnerProvider();
        TClass nativeClass = provider->GetValueObjectClass(this);
        if (blob->NativeBlob() && blob->NativeBlob()->ClassType() == nativeClass) return blob->NativeBlob();
        TBlob* native = provider->CreateValueObject(this);
        // Both read and write the same pieces.
        native->SetData(blob->GetData());
        blob->SetNativeBlob(native);
        return native;
    }
    if (auto* cursor = dynamic_cast<TUniCursor*>(valueObject_)) {
        TUniProvider* provider = OwnerProvider();
        TClass nativeClass = provider->GetValueObjectClass(this);
        if (cursor->NativeCursor() && cursor->NativeCursor()->ClassType() == nativeClass)
            return cursor->NativeCursor();
        Assert(false, AnsiString(provider->GetProviderName()) + " makes no cursor values");
    }
    return TDAParam::GetValueObject();
}

// ---------------------------------------------------------------------------------------------

TUniParams::TUniParams(TPersistent* owner, std::function<TUniProvider*()> getProvider)
    : TDAParams(owner, TUniParam::StaticClass()), getProvider_(std::move(getProvider)) {}

TUniProvider* TUniParams::OwnerProvider() const {
    if (!getProvider_) DatabaseError("Connection is not defined");
    return getProvider_();
}

void TUniParams::Update(TCollectionItem* item) {
    TDAParams::Update(item);
    if (OnListChanged) OnListChanged();
}
