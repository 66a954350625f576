#pragma once
// Numbered properties: the ids through which components pass settings down to the internal
// objects of a provider and read provider-dependent answers back. One table for every layer:
// 1..55 provider-neutral, 1001..1005 ODBC, 2001..2003 Access.

constexpr int prUsername = 1;
constexpr int prAutoCommit = 5;
constexpr int prScanParams = 11;
constexpr int prRowsProcessed = 13;
constexpr int prUniDirectional = 20;
constexpr int prFetchRows = 21;
constexpr int prFetchAll = 22;
constexpr int prRowsFetched = 23;
constexpr int prExecuting = 24;
constexpr int prLongStrings = 25;
constexpr int prFlatBuffers = 27;
constexpr int prConvertEOL = 28;
constexpr int prIndexFieldNames = 29;
constexpr int prCompressBlobMode = 30;
constexpr int prDisconnectedMode = 31;
constexpr int prDisableParamScan = 32;
constexpr int prReserved33 = 33;
constexpr int prQuoteNames = 34;
constexpr int prIsolationLevel = 35;
constexpr int prTransactionReadOnly = 37;
constexpr int prDatabase = 38;
constexpr int prPort = 39;
constexpr int prDefaultTextParamSize = 40;
constexpr int prEnableBCD = 41;
constexpr int prEnableFmtBCD = 42;
constexpr int prOutParamIsSet = 43;
constexpr int prReadOnly = 44;
constexpr int prIsStoredProc = 45;
constexpr int prIsRowsAffectedKnown = 46;
constexpr int prLockFetchAll = 47;
constexpr int prDefaultSortType = 48;
constexpr int prLastInsertId = 49;
constexpr int prODBCRecordSetFlag = 50;
constexpr int prExtendedFieldsInfo = 51;
constexpr int prDefaultValues = 52;
constexpr int prFieldsOrigin = 53;
constexpr int prParamsDescribed = 54;
constexpr int prRefreshAfterUpdate = 55;

constexpr int prUseUnicode = 1001;
constexpr int prConnectionTimeout = 1002;
constexpr int prCommandTimeout = 1003;
constexpr int prDSNType = 1004;
constexpr int prDetectFieldsOnPrepare = 1005;

constexpr int prSystemDatabase = 2001;
constexpr int prExtendedAnsiSQL = 2002;
constexpr int prExclusiveLock = 2003;
