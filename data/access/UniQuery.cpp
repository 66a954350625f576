#include "data/access/UniQuery.h"

#include <algorithm>
#include <cctype>

#include "data/access/CRProps.h"
#include "data/access/DADataSetService.h"
#include "data/memory/DataSetServices.h"
#include "data/memory/CRParser.h"
#include "platform/db/DataSet.h"

// ---- statement ----------------------------------------------------------------------------------

TUniSQL::TUniSQL(TComponent* owner) : TCustomDASQL(owner) {
    specificOptions_ = std::make_unique<TSpecificOptionsHolder>([this] { return GetProvider(); });
    auto params = std::make_unique<TUniParams>(this, [this] { return GetProvider(); });
    params->OnListChanged = [this] {
        if (!rebuildingParams_ && !destroying_) paramMap_.clear();
    };
    SetParamsObject(std::move(params));
}

TUniSQL::~TUniSQL() {
    NotifyDestroyed();
    destroying_ = true;
}

TDAParam* TUniSQL::FindResultParam() const {
    TDAParam* result = TCustomDASQL::FindResultParam();
    if (result && result->DataType() == ftUnknown) result->SetDataType(ftInteger);
    return result;
}

void TUniSQL::ScanParams() {
    TUniConnection* connection = UniConnection();
    if (!connection || connection->HasProvider()) {
        TCustomDASQL::ScanParams();
        return;
    }
    if (!ParamCheck()) return;
    TUniParams scanned;
    ParseSQLParams(GetFinalSQL(), &scanned, AnsiString());
    scanned.AssignValues(Params());
    Params()->Clear();
    Params()->Assign(&scanned);
}

void TUniSQL::ReadParamDescs() {
    struct Rebuilding {
        bool& flag;
        ~Rebuilding() { flag = false; }
    } rebuilding{rebuildingParams_ = true};
    Params()->Clear();
    paramMap_.clear();
    for (int i = 0; i < ICommand()->ParamCount(); ++i) {
        TParamDesc* d = ICommand()->GetParam(i);
        TDAParam* p = Params()->FindParam(d->GetName());
        if (!p || d->GetName().empty()) {
            p = static_cast<TDAParam*>(Params()->Add());
            p->SetName(d->GetName());
            if (d->GetDataType() != 0) p->SetDataType(TypesMap().FieldTypeOf(d->GetDataType()));
            p->SetParamType(static_cast<TParamType>(d->GetParamType()));
            p->SetSize(d->GetSize());
        }
        paramMap_.push_back(p);
    }
}

TDAParam* TUniSQL::MappedParam(int index, bool mapWasEmpty) {
    if (!mapWasEmpty) return static_cast<size_t>(index) < paramMap_.size() ? paramMap_[index] : nullptr;
    TDAParam* p = Params()->FindParam(ICommand()->GetParam(index)->GetName());
    paramMap_.push_back(p);
    return p;
}

void TUniSQL::WriteParams(bool withValues) {
    const bool changed = Params()->ChangeTracker == 1;
    if ((!ParamCheck() || skipParamScan_) && !changed) {
        TCustomDASQL::WriteParams(withValues);
        return;
    }
    const bool mapWasEmpty = paramMap_.empty();
    for (int i = 0; i < ICommand()->ParamCount(); ++i) {
        TParamDesc* d = ICommand()->GetParam(i);
        TDAParam* p = MappedParam(i, mapWasEmpty);
        if (!p) continue;
        // The description keeps its own name: one parameter may stand for several markers.
        const AnsiString name = d->GetName();
        WriteParamDesc(d, p);
        d->SetName(name);
        if (withValues) WriteParamValue(d, p);
    }
    if (!changed) return;
    // Parameters added, removed or renamed: the map is made again and the base writes them.
    bool differs = ICommand()->ParamCount() != Params()->Count();
    for (int i = 0; !differs && i < Params()->Count(); ++i)
        differs = ICommand()->GetParam(i)->GetName() != Params()->Items(i)->Name();
    if (differs) {
        paramMap_.clear();
        TCustomDASQL::WriteParams(withValues);
    } else
        Params()->ChangeTracker = 0;
}

void TUniSQL::ReadOutParams() {
    if (!ParamCheck() || skipParamScan_ || !ICommand()) {
        TCustomDASQL::ReadOutParams();
        return;
    }
    Variant waiting;
    if (!ICommand()->GetProp(prOutParamIsSet, waiting) || !waiting.AsBoolean()) return;
    const bool mapWasEmpty = paramMap_.empty();
    for (int i = 0; i < ICommand()->ParamCount(); ++i) {
        TDAParam* p = MappedParam(i, mapWasEmpty);
        if (!p || p->ParamType() == ptInput) continue;
        if (p->ParamType() == ptUnknown && !UnknownParamsAreInOut()) continue;
        ReadParamValue(p, ICommand()->GetParam(i));
    }
    ICommand()->SetProp(prOutParamIsSet, false);
}

TUniProvider* TUniSQL::GetProvider() const {
    TUniConnection* connection = UniConnection();
    if (!connection) DatabaseError("Connection is not defined");
    return connection->CheckProvider();
}

AnsiString TUniSQL::GetFinalSQL() const {
    AnsiString text = TCustomDASQL::GetFinalSQL();
    if (ProcessMacros)
        if (TUniConnection* connection = UniConnection()) connection->ExpandSQL(text);
    return text;
}

bool TUniSQL::UnknownParamsAreInOut() const {
    TUniConnection* connection = UniConnection();
    return connection && connection->HasProvider() &&
           connection->CheckProvider()->TreatsUnknownParamsAsOutput();
}

// A connection macro changed since the text was last expanded: the command gets it again.
void TUniSQL::CheckMacrosVersion() {
    TUniConnection* connection = UniConnection();
    if (!connection) return;
    if (macrosVersionSeen_ < connection->MacrosVersion()) {
        if (ICommand()) SetCommandSQL();
        macrosVersionSeen_ = connection->MacrosVersion();
    }
}

void TUniSQL::Prepare() {
    try {
        TCustomDASQL::Prepare();
    } catch (...) {
        ReraiseAsUniError();
    }
}

void TUniSQL::Unprepare() {
    try {
        TCustomDASQL::Unprepare();
    } catch (...) {
        ReraiseAsUniError();
    }
}

void TUniSQL::ExecuteIters(int iterations) {
    try {
        TCustomDASQL::ExecuteIters(iterations);
    } catch (...) {
        ReraiseAsUniError();
    }
}

void TUniSQL::CreateProcCall(const AnsiString& name, bool needDescribe, bool isQuery) {
    // The call is built from the parameters as they stand, not from a text.
    struct Skip {
        bool& flag;
        const bool saved;
        ~Skip() { flag = saved; }
    } skip{skipParamScan_, skipParamScan_};
    skipParamScan_ = !needDescribe;
    try {
        TCustomDASQL::CreateProcCall(name, needDescribe, isQuery);
    } catch (...) {
        ReraiseAsUniError();
    }
    ProcessMacros = false;
    // The command took the text while it was still expanded.
    if (ICommand()) SetCommandSQL();
}

void TUniSQL::InternalPrepare() {
    CheckMacrosVersion();
    TCustomDASQL::InternalPrepare();
    if (ICommand()) GetProvider()->ApplyProviderOptions(ICommand(), SpecificOptions());
}

void TUniSQL::InternalExecute(int iterations) {
    CheckMacrosVersion();
    if (ICommand() && specificOptions_->IsModified) {
        GetProvider()->ApplyProviderOptions(ICommand(), SpecificOptions());
        specificOptions_->IsModified = false;
    }
    TCustomDASQL::InternalExecute(iterations);
}

AnsiString TUniSQL::ParseSQLParams(const AnsiString& text, TDAParams* params,
                                   const AnsiString& renamePrefix) {
    AnsiString out;
    out.reserve(text.size() * 3 / 2);
    TSQLParser parser(text);
    parser.SkipBlankLexemes = false;
    parser.SkipCommentLexemes = true;
    parser.KeepQuotes = true;
    std::vector<AnsiString> seen;
    if (params) {
        params->BeginUpdate();
        params->Clear();
    }
    struct EndUpdate {
        TDAParams* p;
        ~EndUpdate() {
            if (p) p->EndUpdate();
        }
    } end{params};
    size_t copied = 0;
    AnsiString lexeme;
    for (int code = parser.GetNext(lexeme); code != lcEnd; code = parser.GetNext(lexeme)) {
        if (lexeme != ":") continue;
        const size_t colon = static_cast<size_t>(parser.LastLexemeOffset());
        AnsiString name;
        int next = parser.GetNext(name);
        bool at = false;
        if (name == "@") {
            at = true;
            next = parser.GetNext(name);
        }
        const bool isName = (params || !renamePrefix.empty()) &&
                            (next == lcIdent || next == lcNumber || next > 0) && !name.empty() &&
                            name != ":" &&
                            (std::isalnum(static_cast<unsigned char>(name[0])) || name[0] == '_' ||
                             name[0] == '"' || static_cast<unsigned char>(name[0]) >= 0x80);
        if (!isName) continue;
        if (at) name = "@" + name;
        if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
            name = name.substr(1, name.size() - 2);
        out += text.substr(copied, colon - copied);
        copied = static_cast<size_t>(parser.CurrentOffset());
        if (params) {
            if (std::find(seen.begin(), seen.end(), name) == seen.end()) {
                seen.push_back(name);
                static_cast<TParam*>(params->Add())->SetName(name);
            }
            out += "?";
        } else {
            out += renamePrefix + name;
        }
    }
    out += text.substr(copied);
    return out;
}

// ---- dataset ------------------------------------------------------------------------------------

namespace {
// The dataset's options: no change while the dataset is open.
class TUniDataSetSpecificOptions : public TSpecificOptionsHolder {
public:
    TUniDataSetSpecificOptions(TDataSet* owner, std::function<TUniProvider*()> getProvider)
        : TSpecificOptionsHolder(std::move(getProvider)), owner_(owner) {}

protected:
    void ValuesChanging() override { owner_->CheckInactive(); }

private:
    TDataSet* owner_;
};
} // namespace

TCustomUniDataSet::TCustomUniDataSet(TComponent* owner) : TCustomDADataSet(owner) {
    specificOptions_ = std::make_unique<TUniDataSetSpecificOptions>(this, [this] { return GetProvider(); });
    // The base made its own before this class existed.
    SetOptionsObject(CreateOptions());
    auto params = std::make_unique<TUniParams>(this, [this] { return GetProvider(); });
    params->OnListChanged = [this] {
        if (!rebuildingParams_) paramMap_.clear();
    };
    SetParamsObject(std::move(params));
}

void TCustomUniDataSet::ReadParamDescs() {
    struct Rebuilding {
        bool& flag;
        ~Rebuilding() { flag = false; }
    } rebuilding{rebuildingParams_ = true};
    TCustomDADataSet::ReadParamDescs();
    paramMap_.clear();
    std::vector<TDAParam*> made;
    for (int i = 0; i < Params()->Count(); ++i)
        made.push_back(Params()->Items(i));
    for (TDAParam* p : made)
        paramMap_.push_back(p->Name().empty() ? p : Params()->FindParam(p->Name()));
    // A later marker of a name shares the first one's parameter.
    for (size_t i = made.size(); i-- > 0;)
        if (paramMap_[i] != made[i]) delete made[i];
}

void TCustomUniDataSet::WriteCommand() {
    RecordSet()->SetSQL(GetFinalSQL());
    TCRCommand* command = Command();
    if (command->ParamCount() == 0) {
        TCustomDADataSet::WriteCommand();
        return;
    }
    // The parameters by the map, or by name once the list has changed.
    for (int i = 0; i < command->ParamCount(); ++i) {
        TParamDesc* d = command->GetParam(i);
        TDAParam* p =
            static_cast<size_t>(i) < paramMap_.size() ? paramMap_[i] : Params()->FindParam(d->GetName());
        if (!p) continue;
        const AnsiString name = d->GetName();
        WriteParamDesc(d, p);
        d->SetName(name);
    }
}

std::unique_ptr<TDADataSetOptions> TCustomUniDataSet::CreateOptions() {
    return std::make_unique<TUniDataSetOptions>(this);
}

TCustomUniDataSet::~TCustomUniDataSet() {
    Destroying();
    NotifyDestroyed();
    Close();
}

const TSQLParserClass* TCustomUniDataSet::SQLParserClass() const {
    TUniConnection* connection = UniConnection();
    return connection && connection->HasProvider() ? connection->CheckProvider()->GetParserClass() : nullptr;
}

AnsiString TCustomUniDataSet::SQLGetFrom(const AnsiString& sql) {
    return SqlFromText(sql, SQLParserClass());
}

AnsiString TCustomUniDataSet::SQLAddWhere(const AnsiString& sql, const AnsiString& condition) {
    return SqlAppendCondition(sql, condition, SQLParserClass());
}

AnsiString TCustomUniDataSet::SQLDeleteWhere(const AnsiString& sql) {
    return SqlRemoveWhereClause(sql, SQLParserClass());
}

AnsiString TCustomUniDataSet::SQLGetWhere(const AnsiString& sql) {
    return SqlWhereText(sql, SQLParserClass());
}

AnsiString TCustomUniDataSet::SQLSetOrderBy(const AnsiString& sql, const AnsiString& fields) {
    return SqlReplaceOrderBy(sql, fields, SQLParserClass());
}

AnsiString TCustomUniDataSet::SQLGetOrderBy(const AnsiString& sql) {
    return SqlOrderByText(sql, SQLParserClass());
}

TUniProvider* TCustomUniDataSet::GetProvider() const {
    TUniConnection* connection = UniConnection();
    if (!connection) DatabaseError("Connection is not defined");
    return connection->CheckProvider();
}

TClass TCustomUniDataSet::GetServiceClass() const {
    TUniConnection* connection = UniConnection();
    if (connection && !connection->ProviderName().empty()) {
        try {
            return connection->CheckProvider()->GetDataSetServiceClass();
        } catch (const Exception&) {
        }
    }
    return TDADataSetService::StaticClass();
}

TCRRecordSet* TCustomUniDataSet::NewRecordSet() {
    TUniConnection* connection = UniConnection();
    if (!connection || !connection->HasProvider()) return nullptr;
    return connection->GetInternalRecordSetClass()->Create<TCRRecordSet>().release();
}

TCustomDADataSet* TCustomUniDataSet::NewDataSet() {
    return new TUniQuery(nullptr);
}

AnsiString TCustomUniDataSet::GetFinalSQL() const {
    AnsiString text = TCustomDADataSet::GetFinalSQL();
    if (TUniConnection* connection = UniConnection()) connection->ExpandSQL(text);
    return text;
}

void TCustomUniDataSet::ApplyOptions() {
    TUniConnection* connection = UniConnection();
    if (!connection || !connection->HasProvider() || !RecordSet()) return;
    TUniProvider* provider = connection->CheckProvider();
    if (Command()) provider->ApplyProviderOptions(Command(), SpecificOptions());
    provider->ApplyProviderOptions(RecordSet(), SpecificOptions());
    specificOptions_->IsModified = false;
}

void TCustomUniDataSet::SetRecordSet(TData* recordSet) {
    TCustomDADataSet::SetRecordSet(recordSet);
    if (RecordSet()) RecordSet()->SetProp(prLockFetchAll, fetchAllLocked_);
    ApplyOptions();
}

void TCustomUniDataSet::SetFetchAllLocked(bool value) {
    fetchAllLocked_ = value;
    if (RecordSet()) RecordSet()->SetProp(prLockFetchAll, value);
}

TClass TCustomUniDataSet::GetFieldClass(TFieldType fieldType) {
    return fieldType == ftCursor ? TDACursorField::StaticClass() : TCustomDADataSet::GetFieldClass(fieldType);
}

TDATransaction* TCustomUniDataSet::PSTransaction() {
    TUniConnection* connection = UniConnection();
    if (!connection) DatabaseError("Connection is not defined");
    TDATransaction* transaction = connection->UsedTransaction();
    return transaction == connection->StatementTransaction() ? connection->DefaultTransaction() : transaction;
}

bool TCustomUniDataSet::PSInTransaction() {
    TDATransaction* transaction = PSTransaction();
    return transaction && transaction->Active();
}

void TCustomUniDataSet::PSStartTransaction() {
    try {
        if (TDATransaction* transaction = PSTransaction()) transaction->StartTransaction();
    } catch (...) {
        ReraiseAsUniError();
    }
}

bool TCustomUniDataSet::GetFetchAll() const {
    Variant value;
    return RecordSet() && RecordSet()->GetProp(prFetchAll, value) && value.AsBoolean();
}

void TCustomUniDataSet::SetFetchAll(bool value) {
    const bool locked = fetchAllLocked_;
    SetFetchAllLocked(false);
    try {
        TCustomDADataSet::SetFetchAll(value);
    } catch (...) {
        SetFetchAllLocked(locked);
        throw;
    }
    SetFetchAllLocked(locked);
}

void TCustomUniDataSet::CheckMacrosVersion() {
    TUniConnection* connection = UniConnection();
    if (!connection || macrosVersionSeen_ >= connection->MacrosVersion()) return;
    macrosVersionSeen_ = connection->MacrosVersion();
    if (IsPrepared()) {
        TCustomDADataSet::Unprepare();
        TCustomDADataSet::Prepare();
    }
}

void TCustomUniDataSet::SetActive(bool value) {
    try {
        if (value && !Active()) CheckMacrosVersion();
    } catch (...) {
        ReraiseAsUniError();
    }
    TCustomDADataSet::SetActive(value);
}

void TCustomUniDataSet::Prepare() {
    try {
        if (specificOptions_->IsModified) ApplyOptions();
        if (TUniConnection* connection = UniConnection()) macrosVersionSeen_ = connection->MacrosVersion();
        TCustomDADataSet::Prepare();
    } catch (...) {
        ReraiseAsUniError();
    }
}

void TCustomUniDataSet::Unprepare() {
    try {
        TCustomDADataSet::Unprepare();
    } catch (...) {
        ReraiseAsUniError();
    }
}

void TCustomUniDataSet::OpenCursor(bool infoQuery) {
    try {
        if (specificOptions_->IsModified) ApplyOptions();
        TCustomDADataSet::OpenCursor(infoQuery);
    } catch (...) {
        ReraiseAsUniError();
    }
}

void TCustomUniDataSet::CloseCursor() {
    try {
        TCustomDADataSet::CloseCursor();
    } catch (...) {
        ReraiseAsUniError();
    }
}

void TCustomUniDataSet::InternalExecute() {
    try {
        if (specificOptions_->IsModified) ApplyOptions();
        TCustomDADataSet::InternalExecute();
    } catch (...) {
        ReraiseAsUniError();
    }
}
