#include "data/access/UniQuery.h"

#include <algorithm>
#include <cctype>

#include "data/access/DADataSetService.h"
#include "data/memory/CRParser.h"
#include "platform/db/DataSet.h"

// ---- statement ----------------------------------------------------------------------------------

TUniSQL::TUniSQL(TComponent* owner) : TCustomDASQL(owner) {
    specificOptions_ = std::make_unique<TSpecificOptionsHolder>([this] { return GetProvider(); });
}

TUniSQL::~TUniSQL() = default;

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
}

TCustomUniDataSet::~TCustomUniDataSet() {
    Destroying();
    Close();
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
    ApplyOptions();
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
