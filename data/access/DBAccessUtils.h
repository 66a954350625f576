#pragma once
// Reach into the components for the other data-access layers: a statement component and an SQL
// dataset answer the same operations. Every operation asserts a non-nil argument; an object of
// another class fails an assertion naming its class.
#include "data/access/DBAccess.h"

class TObject;
class TMetaClass;
using TClass = const TMetaClass*;
class TCRConnection;
class TCRCommand;
class TCRRecordSet;
class TCRTablesInfo;
class TCustomDAConnection;
class TCustomDADataSet;
class TDATransaction;
class TStringList;

class TDBAccessUtils {
public:
    // The dataset connects when its connection is closed.
    static void CheckConnection(TCustomDADataSet* dataSet);
    static void SetAutoCommit(TObject* obj, bool value);
    static TCRConnection* GetIConnection(TCustomDAConnection* connection);
    static void ReleaseUse(TCustomDAConnection* connection);
    static TCustomDAConnection* GetConnection(TDATransaction* transaction, int index);
    static TStringList* GetSQL(TObject* obj);
    static void GetFinalSQL(TObject* obj, AnsiString& text);
    static TDAParams* GetParams(TObject* obj);
    static void Execute(TObject* obj);
    static int GetRowsAffected(TObject* obj);
    static TCRRecordSet* GetIRecordSet(TCustomDADataSet* dataSet);
    static TCRCommand* GetICommand(TCustomDADataSet* dataSet);
    // The tables of the dataset's statement, kept by its record set (made when missing).
    static TCRTablesInfo* GetTablesInfo(TCustomDADataSet* dataSet);
    // The text of a statement with its two hints on for the duration: no macro scan, keep the
    // parameters as they are.
    static void SetSQLText(TObject* obj, const AnsiString& text, bool noMacroScan, bool keepParams);
    // An update query writes no monitor trace of its own.
    static void SetTraceSuppressed(TObject* obj, bool value);
    static TClass GetSQLMonitorClass(TCustomDAConnection* connection);
};
