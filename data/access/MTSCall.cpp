#include "data/access/MTSCall.h"

#include <mutex>

#include "platform/core/Exceptions.h"

const GUID IID_ICRTransactionDispenserSC = {
    0x3A6AD9E1, 0x23B9, 0x11CF, {0xAD, 0x60, 0x00, 0xAA, 0x00, 0xA7, 0x4C, 0xCD}};
const GUID IID_ICRTransactionSC = {
    0x0FB15084, 0xAF41, 0x11CE, {0xBD, 0x2B, 0x20, 0x4C, 0x4F, 0x4F, 0x50, 0x20}};

namespace {

HRESULT __cdecl DtcNotLinked(char*, char*, const GUID*, DWORD, void*, void**) {
    throw Exception("Function is not linked");
}

std::mutex& DtcLock() {
    static std::mutex lock;
    return lock;
}

HMODULE dtcLibrary = nullptr;
bool dtcLoaded = false;
TDtcGetTransactionManagerEx dtcEntry = &DtcNotLinked;

// Placeholder exports of a compatibility layer raise this instead of doing their work.
constexpr DWORD kExceptionStub = 0x80000100;
constexpr DWORD kStubExitCode = 0xDEAD0100;

struct GuardedCall {
    TDtcGetTransactionManagerEx Entry;
    const GUID* Iid;
    void* Object = nullptr;
    HRESULT Result = E_FAIL;
    bool Done = false;
};

volatile DWORD guardedThreadId = 0;

LONG CALLBACK StubHandler(EXCEPTION_POINTERS* info) {
    if (GetCurrentThreadId() == guardedThreadId && info->ExceptionRecord->ExceptionCode == kExceptionStub)
        ExitThread(kStubExitCode); // nothing of ours on this thread needs unwinding
    return EXCEPTION_CONTINUE_SEARCH;
}

DWORD WINAPI GuardedThread(void* parameter) {
    auto* call = static_cast<GuardedCall*>(parameter);
    call->Result = call->Entry(nullptr, nullptr, call->Iid, 0, nullptr, &call->Object);
    call->Done = true;
    return 0;
}

} // namespace

void LoadDtcLibrary() {
    std::lock_guard<std::mutex> guard(DtcLock());
    if (dtcLoaded) return;
    HMODULE library = LoadLibraryA("xolehlp.dll");
    if (!library) throw Exception("Can not find xolehlp.dll");
    auto entry = reinterpret_cast<TDtcGetTransactionManagerEx>(
        reinterpret_cast<void*>(GetProcAddress(library, "DtcGetTransactionManagerEx")));
    if (!entry) {
        // Without the entry point the library is of no use; stay unloaded and say why.
        FreeLibrary(library);
        throw Exception("Can not find DtcGetTransactionManagerEx in xolehlp.dll");
    }
    dtcLibrary = library;
    dtcEntry = entry;
    dtcLoaded = true;
}

void UnloadDtcLibrary() {
    std::lock_guard<std::mutex> guard(DtcLock());
    if (dtcLibrary) FreeLibrary(dtcLibrary);
    dtcLibrary = nullptr;
    dtcLoaded = false;
    dtcEntry = &DtcNotLinked;
}

bool DtcLibraryLoaded() {
    std::lock_guard<std::mutex> guard(DtcLock());
    return dtcLoaded;
}

void SetDtcGetTransactionManagerEx(TDtcGetTransactionManagerEx entry) {
    std::lock_guard<std::mutex> guard(DtcLock());
    if (dtcLibrary) FreeLibrary(dtcLibrary);
    dtcLibrary = nullptr;
    dtcEntry = entry ? entry : &DtcNotLinked;
    dtcLoaded = entry != nullptr;
}

HRESULT DtcGetTransactionManagerEx(const GUID* iid, void** object) {
    TDtcGetTransactionManagerEx entry;
    {
        std::lock_guard<std::mutex> guard(DtcLock());
        entry = dtcEntry;
    }
    if (entry == &DtcNotLinked) return DtcNotLinked(nullptr, nullptr, iid, 0, nullptr, object);

    // Run the call on its own thread so that a placeholder export, which raises a system
    // exception that no C++ frame may see, ends only that thread.
    // One guarded call at a time: the exception handler recognises its thread by a shared id.
    static std::mutex callLock;
    std::lock_guard<std::mutex> callGuard(callLock);
    GuardedCall call{entry, iid};
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, &GuardedThread, &call, CREATE_SUSPENDED, &threadId);
    if (!thread) RaiseLastOSError();
    guardedThreadId = threadId;
    void* handler = AddVectoredExceptionHandler(1, &StubHandler);
    ResumeThread(thread);
    WaitForSingleObject(thread, INFINITE);
    if (handler) RemoveVectoredExceptionHandler(handler);
    guardedThreadId = 0;
    CloseHandle(thread);

    if (!call.Done) throw Exception("DtcGetTransactionManagerEx of xolehlp.dll is not implemented");
    *object = call.Object;
    return call.Result;
}

void MTSCallInitialize() {
    std::lock_guard<std::mutex> guard(DtcLock());
    if (!dtcLoaded) dtcEntry = &DtcNotLinked;
}

void MTSCallFinalize() {
    UnloadDtcLibrary();
}
