#pragma once
// Parameters of the unified components: the blob and cursor values stay provider-neutral until a
// statement runs, when the provider of the owner's connection gives the native object behind them.
#include <functional>

#include "data/access/CRLoader.h"
#include "data/access/DBAccess.h"
#include "data/memory/CompressedBlob.h"

class TUniProvider;
class TUniSQL;

// A blob value of a parameter; the provider's own blob shares its data.
class TUniBlob : public TCompressedBlob {
public:
    VZ_CLASS(TUniBlob, TCompressedBlob)
    explicit TUniBlob(bool isUnicode = false) : TCompressedBlob(isUnicode) {}
    ~TUniBlob() override;

    TBlob* NativeBlob() const { return native_; }
    // Takes over the caller's reference; the one held before is released.
    void SetNativeBlob(TBlob* blob);
    void DoNotify() override;

private:
    TBlob* native_ = nullptr;
};

// A cursor value of a parameter over the provider's cursor.
class TUniCursor : public TCRCursor {
public:
    VZ_CLASS(TUniCursor, TCRCursor)
    TUniCursor() = default;
    ~TUniCursor() override;

    TCRCursor* NativeCursor() const { return native_; }
    // Adds a reference to cursor; the one held before is released.
    void SetNativeCursor(TCRCursor* cursor);
    // False without a native cursor.
    bool CanFetch() override { return native_ && native_->CanFetch(); }

private:
    TCRCursor* native_ = nullptr;
};

class TUniParam : public TDAParam {
public:
    VZ_CLASS(TUniParam, TDAParam)
    TUniParam() = default;

    // For a blob or cursor value, the native object of the owner's provider (made on first use,
    // made again when the provider's class differs); "Connection is not defined" without one.
    TSharedObject* GetValueObject() const override;
    bool TypeNeedsObject(TFieldType type) const override;
    bool TypeIsObject(TFieldType type) const override;

protected:
    void CreateValueObject() override;

private:
    TUniProvider* OwnerProvider() const;
};

// The parameters of a unified statement or dataset; a change of the list clears the statement's
// parameter map.
class TUniParams : public TDAParams {
public:
    VZ_CLASS(TUniParams, TDAParams)
    // getProvider: the provider of the owner's connection, raising when there is none.
    explicit TUniParams(TPersistent* owner = nullptr, std::function<TUniProvider*()> getProvider = nullptr);

    TUniParam* Items(int index) const { return static_cast<TUniParam*>(TDAParams::Items(index)); }
    TUniProvider* OwnerProvider() const;
    void Update(TCollectionItem* item) override;

    // Called on every change of the list; the statement clears its map there.
    std::function<void()> OnListChanged;

private:
    std::function<TUniProvider*()> getProvider_;
};
