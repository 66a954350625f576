#pragma once
// Writes the statements that carry a dataset's changes back to its updating table (insert,
// update, delete, refresh, quick refresh and the deleted-record check), with the parameters the
// text names and where each parameter's value comes from.
#include <memory>
#include <vector>

#include "data/access/DASQLText.h"
#include "data/access/DBAccess.h"
#include "data/memory/FieldDescs.h"

class TCustomDADataSet;
class TDADataSetService;
class TCRTableInfo;
class TSQLInfo;

using TFieldDescArray = std::vector<TFieldDesc*>;

struct TKeyAndDataFields {
    TFieldDescArray KeyFieldDescs;
    TFieldDescArray DataFieldDescs;
};

class TDASQLGenerator : public TObject {
public:
    VZ_CLASS(TDASQLGenerator, TObject)
    explicit TDASQLGenerator(TDADataSetService* service = nullptr);
    ~TDASQLGenerator() override;

    virtual void Clear();
    virtual AnsiString AssembleSQL() const;
    virtual bool IsBlobType(TDataTypeCode code) const;
    virtual bool IsObjectType(TDataTypeCode code) const;
    virtual bool FieldIsNull(TFieldDesc* desc, bool old);
    virtual bool FieldModified(TFieldDesc* desc);
    virtual AnsiString GetActualFieldName(TFieldDesc* desc, bool tablePrefixAllowed);
    virtual AnsiString MakeColumnAlias(const AnsiString& text) const { return "_" + text; }
    virtual int ColumnAliasToIndex(const AnsiString& name) const;
    virtual int MaxParamNameLength() const { return 0x7FFFFFFF; }
    virtual bool UsesPositionalMarkers() const { return true; }
    virtual void GenerateInsertSQL(const TKeyAndDataFields& fields, bool modifiedOnly, int index);
    virtual void GenerateUpdateSQL(const TKeyAndDataFields& fields, bool modifiedOnly, int index);
    virtual void GenerateDeleteSQL(const TKeyAndDataFields& fields, bool modifiedOnly, int index);
    // Nothing here: a provider writes its own lock statement.
    virtual void GenerateLockSQL(const TKeyAndDataFields& fields, bool modifiedOnly, int index);
    virtual void GenerateRefreshSQL(const TKeyAndDataFields& fields, bool modifiedOnly);
    virtual void GenerateRefreshQuickSQL(const TKeyAndDataFields& fields);
    virtual void GenerateRefreshCheckDeletedSQL(const TKeyAndDataFields& fields);
    virtual void GenerateConditions(AnsiString& section, TStatementType type, bool modifiedOnly,
                                    const TKeyAndDataFields& fields, int index);
    virtual TClass ParamInfoClass() const { return TDAParamInfo::StaticClass(); }

    // Empty when the service has no updating table.
    virtual AnsiString GenerateSQL(TStatementType type, bool modifiedOnly, int index = -1,
                                   TDAParams* params = nullptr);
    virtual AnsiString GenerateSQLforUpdTable(TCRTableInfo* table, const TKeyAndDataFields& fields, int index,
                                              TDAParams* params, bool modifiedOnly, TStatementType type);
    virtual AnsiString GenerateTableSQL(const AnsiString& tableName, const AnsiString& orderFields);
    virtual AnsiString GenerateSelectValues(const AnsiString& expression) { return "SELECT " + expression; }

    TDAParamsInfo* ParamsInfo() const { return paramsInfo_.get(); }
    TDADataSetService* Service() const { return service_; }

protected:
    void AddFieldToInsertSQL(TFieldDesc* desc, int index);
    void AddFieldToUpdateSQL(TFieldDesc* desc, int index);
    void AddFieldToRefreshSQL(TFieldDesc* desc);
    void AddFieldToCondition(AnsiString& section, TFieldDesc* desc, TStatementType type, int index);
    void AddParam(AnsiString& section, TFieldDesc* desc, TStatementType type, TParamType paramType, int index,
                  bool old);
    TSQLInfo* SQLInfo() const;
    bool QuoteNames() const;
    AnsiString TableName() const;

    TCustomDADataSet* dataSet_;
    TDADataSetService* service_;
    AnsiString header_, fldList_, middle_, fldParamList_, condition_, footer_;
    TCRTableInfo* table_ = nullptr;
    TDAParams* params_ = nullptr;
    std::unique_ptr<TDAParamsInfo> paramsInfo_;

private:
    void* Buffer(bool old);
    void* oldBuffer_ = nullptr;
    void* newBuffer_ = nullptr;
};
