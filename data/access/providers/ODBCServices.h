#pragma once
// The update machinery of the ODBC provider: a generator that locks a row by writing one of its
// fields with its own value, an updater without batches or savepoints, and the dataset service
// that counts rows with a wrapping query.
#include "data/access/DADataSetService.h"
#include "data/access/DADataSetUpdater.h"
#include "data/access/DASQLGenerator.h"

#include <map>

class TCustomODBCSQLGenerator : public TDASQLGenerator {
public:
    VZ_CLASS(TCustomODBCSQLGenerator, TDASQLGenerator)
    explicit TCustomODBCSQLGenerator(TDADataSetService* service = nullptr) : TDASQLGenerator(service) {}
    void GenerateInsertSQL(const TKeyAndDataFields& fields, bool modifiedOnly, int index) override;
    // "UPDATE table SET first = :first WHERE <the update's condition>"; nothing for a table of
    // fewer than two data fields.
    void GenerateLockSQL(const TKeyAndDataFields& fields, bool modifiedOnly, int index) override;
};

class TCustomODBCDataSetUpdater : public TDADataSetUpdater {
public:
    VZ_CLASS(TCustomODBCDataSetUpdater, TDADataSetUpdater)
    explicit TCustomODBCDataSetUpdater(TDataSetService* service) : TDADataSetUpdater(service) {}
    bool BatchUpdateActive() override { return false; }
    bool CanRefreshByLock() override { return false; }
    bool SavepointAllowed() override { return false; }
    void AfterCreateUpdateQuery(TCustomDADataSet* query) override;
};

class TCustomODBCDataSetService : public TDADataSetService {
public:
    VZ_CLASS(TCustomODBCDataSetService, TDADataSetService)
    explicit TCustomODBCDataSetService(TComponent* dataSet = nullptr);
    void MakeUpdater() override;
    void CreateSQLGenerator() override;
    bool FieldTablesKnown() override { return false; }
    // Select-list columns completed from the server's column lists (the updating table's, every
    // table's with FieldsOrigin): "*" and "t.*" become the tables' columns in catalog order,
    // unprefixed columns found in a table belong to it, and with DefaultValues the updating
    // table's columns carry their defaults.
    void FillExtFieldsInfo(TColumnsInfo& columns) override;
    // The defaults of a SQLite table as they were written, by column name.
    std::map<AnsiString, AnsiString> SQLiteWrittenDefaults(const AnsiString& table);
    bool CanModify() override;
    // "SELECT count(*) FROM (" CR statement CR ") q" without its ORDER BY, with the dataset's
    // parameters.
    int GetRecCount() override;
    AnsiString RecCountSQL();
    bool ProvidesKeyFieldsText() override { return true; }
    virtual bool UsesSpecialColumns() { return false; }
};

class TCustomAccessDataSetUpdater : public TCustomODBCDataSetUpdater {
public:
    VZ_CLASS(TCustomAccessDataSetUpdater, TCustomODBCDataSetUpdater)
    explicit TCustomAccessDataSetUpdater(TDataSetService* service) : TCustomODBCDataSetUpdater(service) {}
    // "SELECT @@IDENTITY" on the connection.
    bool GetIdentityValue(Variant& value) override;
};

class TCustomAccessDataSetService : public TCustomODBCDataSetService {
public:
    VZ_CLASS(TCustomAccessDataSetService, TCustomODBCDataSetService)
    explicit TCustomAccessDataSetService(TComponent* dataSet = nullptr);
    void MakeUpdater() override;
    // The first auto-increment field of the updating table.
    TFieldDesc* DetectIdentityField() override;
    bool IdentityIsDataField() override { return true; }
};
