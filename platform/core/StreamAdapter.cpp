#include "platform/core/StreamAdapter.h"

#include <algorithm>
#include <cstring>

#include "platform/core/Win32Boundary.h"

TStreamAdapter::TStreamAdapter(TStream* stream, TStreamOwnership ownership)
    : stream_(stream), ownership_(ownership) {}

TStreamAdapter::~TStreamAdapter() {
    if (ownership_ == soOwned) delete stream_;
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISequentialStream) ||
        IsEqualIID(iid, IID_IStream)) {
        *object = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TStreamAdapter::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&refCount_));
}

ULONG STDMETHODCALLTYPE TStreamAdapter::Release() {
    LONG count = InterlockedDecrement(&refCount_);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

// The system calls in here: our exceptions stop at this boundary and become failure codes.
HRESULT STDMETHODCALLTYPE TStreamAdapter::Read(void* buffer, ULONG count, ULONG* read) {
    return GuardedCall(
        [&]() -> HRESULT {
            if (!buffer) return STG_E_INVALIDPOINTER;
            int got = stream_->Read(buffer, static_cast<int>(std::min<ULONG>(count, 0x7FFFFFFF)));
            if (read) *read = static_cast<ULONG>(got);
            return S_OK;
        },
        S_FALSE);
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Write(const void* buffer, ULONG count, ULONG* written) {
    return GuardedCall(
        [&]() -> HRESULT {
            if (!buffer) return STG_E_INVALIDPOINTER;
            int put = stream_->Write(buffer, static_cast<int>(std::min<ULONG>(count, 0x7FFFFFFF)));
            if (written) *written = static_cast<ULONG>(put);
            return static_cast<ULONG>(put) == count ? S_OK : STG_E_CANTSAVE;
        },
        STG_E_CANTSAVE);
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Seek(LARGE_INTEGER move, DWORD origin,
                                               ULARGE_INTEGER* newPosition) {
    return GuardedCall(
        [&]() -> HRESULT {
            TSeekOrigin from;
            switch (origin) {
            case STREAM_SEEK_SET:
                from = soBeginning;
                break;
            case STREAM_SEEK_CUR:
                from = soCurrent;
                break;
            case STREAM_SEEK_END:
                from = soEnd;
                break;
            default:
                return STG_E_INVALIDFUNCTION;
            }
            int64_t position = stream_->Seek(move.QuadPart, from);
            if (newPosition) newPosition->QuadPart = static_cast<ULONGLONG>(position);
            return S_OK;
        },
        STG_E_INVALIDPOINTER);
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::SetSize(ULARGE_INTEGER newSize) {
    return GuardedCall(
        [&]() -> HRESULT {
            stream_->SetSize(static_cast<int64_t>(newSize.QuadPart));
            return S_OK;
        },
        E_UNEXPECTED);
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                                 ULARGE_INTEGER* written) {
    return GuardedCall(
        [&]() -> HRESULT {
            if (!target) return STG_E_INVALIDPOINTER;
            ULONGLONG totalRead = 0, totalWritten = 0;
            ULONGLONG left = count.QuadPart;
            BYTE buffer[32768];
            HRESULT result = S_OK;
            while (left > 0) {
                int chunk = static_cast<int>(std::min<ULONGLONG>(left, sizeof(buffer)));
                int got = stream_->Read(buffer, chunk);
                if (got <= 0) break;
                totalRead += static_cast<ULONGLONG>(got);
                ULONG put = 0;
                result = target->Write(buffer, static_cast<ULONG>(got), &put);
                totalWritten += put;
                if (FAILED(result) || put != static_cast<ULONG>(got)) break;
                left -= static_cast<ULONGLONG>(got);
            }
            if (read) read->QuadPart = totalRead;
            if (written) written->QuadPart = totalWritten;
            return FAILED(result) ? result : S_OK;
        },
        E_UNEXPECTED);
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Commit(DWORD) {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Revert() {
    return STG_E_REVERTED;
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    return STG_E_INVALIDFUNCTION;
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    return STG_E_INVALIDFUNCTION;
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Stat(STATSTG* stat, DWORD) {
    return GuardedCall(
        [&]() -> HRESULT {
            if (!stat) return STG_E_INVALIDPOINTER;
            std::memset(stat, 0, sizeof(*stat));
            stat->type = STGTY_STREAM;
            stat->cbSize.QuadPart = static_cast<ULONGLONG>(stream_->Size());
            stat->grfMode = STGM_READWRITE;
            return S_OK;
        },
        E_UNEXPECTED);
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Clone(IStream** result) {
    if (result) *result = nullptr;
    return E_NOTIMPL;
}
