#pragma once
// Binding of the distributed transaction coordinator's client library (xolehlp.dll), made at the
// first distributed transaction, and the two OLE transaction interfaces used through it.
#include "platform/core/Win.h"

// The transaction: commit, abort, get transaction info.
struct ICRTransactionSC {
    virtual HRESULT __stdcall QueryInterface(const GUID* iid, void** object) = 0;
    virtual ULONG __stdcall AddRef() = 0;
    virtual ULONG __stdcall Release() = 0;
    virtual HRESULT __stdcall Commit(BOOL retaining, DWORD grfTC, DWORD grfRM) = 0;
    virtual HRESULT __stdcall Abort(void* boidReason, BOOL retaining, BOOL async) = 0;
    virtual HRESULT __stdcall GetTransactionInfo(void* info) = 0;
};

// The transaction dispenser: get the options object, begin a transaction.
struct ICRTransactionDispenserSC {
    virtual HRESULT __stdcall QueryInterface(const GUID* iid, void** object) = 0;
    virtual ULONG __stdcall AddRef() = 0;
    virtual ULONG __stdcall Release() = 0;
    virtual HRESULT __stdcall GetOptionsObject(void** options) = 0;
    virtual HRESULT __stdcall BeginTransaction(void* outer, LONG isoLevel, ULONG isoFlags, void* options,
                                               ICRTransactionSC** transaction) = 0;
};

extern const GUID IID_ICRTransactionDispenserSC; // {3A6AD9E1-23B9-11CF-AD60-00AA00A74CCD}
extern const GUID IID_ICRTransactionSC;          // {0FB15084-AF41-11CE-BD2B-204C4F4F5020}

using TDtcGetTransactionManagerEx = HRESULT(__cdecl*)(char* host, char* tmName, const GUID* iid,
                                                      DWORD options, void* configParams, void** object);

// Loads xolehlp.dll and binds DtcGetTransactionManagerEx once, under the unit's lock. Raises
// "Can not find xolehlp.dll" when the library is missing; the next call tries again.
void LoadDtcLibrary();
void UnloadDtcLibrary();
bool DtcLibraryLoaded();

// Calls the bound entry point for a dispenser with no host, manager name, options or
// configuration. Before binding: "Function is not linked". An entry point that exists only as a
// placeholder (as in some compatibility layers) gives an error rather than ending the process.
HRESULT DtcGetTransactionManagerEx(const GUID* iid, void** object);

// Installs an entry point as if the library had been loaded (nullptr: back to unloaded); lets
// tests stand in for the coordinator.
void SetDtcGetTransactionManagerEx(TDtcGetTransactionManagerEx entry);

// Unit start and end.
void MTSCallInitialize();
void MTSCallFinalize();
