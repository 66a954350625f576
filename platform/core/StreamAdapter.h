#pragma once
// A COM IStream over one of our streams, for system services that read or write through IStream.
#include <objidl.h>

#include "platform/core/Streams.h"

enum TStreamOwnership { soReference, soOwned };

// Reference counted as COM objects are; starts at 0, so the first AddRef (or a QueryInterface)
// takes it. An owned stream is freed with the adapter. Errors come back as HRESULTs, never as
// exceptions.
class TStreamAdapter final : public IStream {
public:
    TStreamAdapter(TStream* stream, TStreamOwnership ownership = soReference);
    TStreamAdapter(const TStreamAdapter&) = delete;
    TStreamAdapter& operator=(const TStreamAdapter&) = delete;

    TStream* Stream() const { return stream_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override;
    HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* written) override;
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER newSize) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Revert() override;
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count,
                                         DWORD lockType) override;
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count,
                                           DWORD lockType) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream** result) override;

private:
    ~TStreamAdapter();

    TStream* stream_;
    TStreamOwnership ownership_;
    LONG refCount_ = 0;
};
