#include "data/access/DAScript.h"

#include <mutex>

#include "platform/core/Streams.h"
#include "platform/forms/Forms.h"

TDAScriptProcessor::TDAScriptProcessor(TDAScriptOwner* owner) : owner_(owner), delimiter_(owner->Delimiter) {}

TDAScriptProcessor::~TDAScriptProcessor() = default;

const TSQLParserClass* TDAScriptProcessor::LexerClass() {
    Assert(false, "Should be overriden");
    return nullptr;
}

bool TDAScriptProcessor::SetProp(int prop, const Variant&) {
    Assert(false, IntToStr(prop));
    return false;
}

bool TDAScriptProcessor::GetProp(int prop, Variant&) {
    Assert(false, IntToStr(prop));
    return false;
}

void TDAScriptProcessor::DropLexer() {
    lexer_.reset();
}

void TDAScriptProcessor::TrackKind(int code, int& kind) {
    if (code == lcComment) {
        if (kind == 0) kind = skComment;
    } else if (code != lcBlank && kind == skComment) {
        kind = 0;
    }
}

bool TDAScriptProcessor::FitsBatch(const AnsiString& text) {
    return static_cast<int64_t>(text.size()) + owner_->BatchSQL.Length() < 65535;
}

void TDAScriptProcessor::CreateLexer() {
    const TSQLParserClass* lexerClass = LexerClass();
    if (TStream* stream = owner_->Stream) {
        // The byte-order mark decides the encoding. EF BB without BF is a character of the
        // code page, not a mark: that text is read from its start.
        int64_t start = stream->Position();
        uint8_t mark[3] = {};
        int got = static_cast<int>(stream->Read(mark, 3));
        Encoding* encoding = Encoding::GetDefault();
        if (got >= 2 && mark[0] == 0xFF && mark[1] == 0xFE) {
            encoding = Encoding::GetUnicode();
            stream->SetPosition(start + 2);
        } else if (got == 3 && mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF) {
            encoding = Encoding::GetUTF8();
        } else {
            stream->SetPosition(start);
        }
        lexer_ = lexerClass->CreateFromStream(stream, encoding);
    } else {
        lexer_ = lexerClass->Create(TrimRight(owner_->SQL.Text()));
    }
    lexer_->SkipBlankLexemes = false;
    lexer_->SkipCommentLexemes = false;
    lexer_->UpperCaseKeywords = false;
    lexer_->KeepQuotes = true;
    lexer_->AdvancedStrings = true;
    BeforeScan();
}

bool TDAScriptProcessor::ProcessNext() {
    std::lock_guard<TCriticalSection> guard(owner_->Lock);
    if (Recording || owner_->Statements.Count() == 0 || owner_->Stream) return ScanNext();
    return RunStored();
}

void TDAScriptProcessor::ExecuteAll() {
    while (ProcessNext()) {
    }
}

bool TDAScriptProcessor::ScanNext() {
    if (!lexer_) CreateLexer();
    IDAScriptExecutor* executor = Recording ? nullptr : owner_->Executor();
    bool savedDebug = executor ? executor->Debug() : false;
    if (executor) executor->SetDebug(owner_->Debug);
    struct TRestore {
        IDAScriptExecutor* executor;
        bool debug;
        ~TRestore() {
            if (executor) executor->SetDebug(debug);
        }
    } restore{executor, savedDebug};

    auto markStart = [&] {
        owner_->StartPos = lexer_->CurrentOffset();
        owner_->StartLine = lexer_->LineNumber();
        owner_->StartColumn = lexer_->ColumnNumber();
        owner_->EndPos = owner_->StartPos;
        owner_->EndLine = owner_->StartLine;
        owner_->EndColumn = owner_->StartColumn;
    };
    for (;;) {
        builder_.SetLength(0);
        int kind = 0;
        bool omit = false;
        markStart();
        AnsiString previous;
        bool atEnd = false;
        for (;;) {
            int code = lexer_->GetNext(lexeme_);
            if (code == lcEnd) {
                atEnd = true;
                break;
            }
            bool ends = false;
            if (code != lcString && !IsBlockKind(kind)) {
                if (lexeme_ == delimiter_)
                    ends = true;
                else if (delimiter_.size() == 2 && previous.size() == 1 && previous[0] == delimiter_[0] &&
                         lexeme_.size() == 1 && lexeme_[0] == delimiter_[1])
                    ends = true;
            }
            if (!ends && code != lcString && lexeme_ == "/" && lexer_->LastLexemeColumn() == 0) {
                // A line holding only "/" ends the statement.
                AnsiString next;
                int nextCode = lexer_->GetNext(next);
                if (nextCode == lcEnd ||
                    (nextCode == lcBlank && next.find_first_of("\r\n") != AnsiString::npos))
                    ends = true;
                else
                    lexer_->RewindLast();
                if (ends && nextCode == lcEnd) atEnd = true;
            }
            if (ends || EndsStatement(code, lexeme_)) break;
            TrackKind(code, kind);
            if (code == lcBlank && builder_.Length() == 0) {
                markStart();
            } else {
                builder_.Append(lexeme_);
                owner_->EndPos = lexer_->CurrentOffset();
                owner_->EndLine = lexer_->LineNumber();
                owner_->EndColumn = lexer_->ColumnNumber();
            }
            previous = lexeme_;
        }
        AnsiString text = builder_.ToString();
        if (!atEnd && delimiter_.size() >= 2 && !text.empty() && text.back() == delimiter_[0]) {
            // The first half of a two-character delimiter came as a lexeme of its own.
            size_t drop = std::min(text.size(), delimiter_.size() - 1);
            text.resize(text.size() - drop);
            owner_->EndPos -= static_cast<int64_t>(drop);
            owner_->EndColumn -= static_cast<int64_t>(drop);
        }
        if (Trim(text).empty()) {
            if (atEnd) {
                DropLexer();
                return false;
            }
            continue;
        }
        bool stop = false;
        RunStatement(text, kind, nullptr, stop, omit);
        // At the end of text the lexer stays: the next call finds the end and frees it.
        return !(stop && !omit);
    }
}

bool TDAScriptProcessor::RunStored() {
    ++statementIndex_;
    if (statementIndex_ >= owner_->Statements.Count()) {
        statementIndex_ = -1;
        return false;
    }
    TDAStatement* statement = owner_->Statements.Items(statementIndex_);
    AnsiString text;
    for (int line = statement->StartLine; line <= statement->EndLine && line < owner_->SQL.Count(); ++line) {
        AnsiString s = owner_->SQL[line];
        size_t from = line == statement->StartLine ? static_cast<size_t>(statement->StartColumn) : 0;
        size_t to = line == statement->EndLine ? static_cast<size_t>(statement->EndColumn) : s.size();
        if (line > statement->StartLine) text += "\r\n";
        if (from < s.size()) text += s.substr(from, to > from ? to - from : 0);
    }
    bool stop = false;
    bool omit = statement->Omit != 0;
    RunStatement(text, statement->StatementType, statement->Params(), stop, omit);
    return !stop;
}

void TDAScriptProcessor::RecordStatement(int kind, bool omit, int64_t startPos, int64_t endPos,
                                         int64_t startLine, int64_t endLine, int64_t startColumn,
                                         int64_t endColumn) {
    auto* statement = static_cast<TDAStatement*>(owner_->Statements.Add());
    statement->StatementType = kind;
    statement->Omit = omit ? 1 : 0;
    statement->StartPos = static_cast<int32_t>(startPos);
    statement->EndPos = static_cast<int32_t>(endPos);
    statement->StartLine = static_cast<int32_t>(startLine);
    statement->EndLine = static_cast<int32_t>(endLine);
    statement->StartColumn = static_cast<int32_t>(startColumn);
    statement->EndColumn = static_cast<int32_t>(endColumn);
}

void TDAScriptProcessor::ExecuteText(const AnsiString& text, TDAParams* params) {
    IDAScriptExecutor* executor = owner_->Executor();
    Assert(executor != nullptr);
    executor->SetSQL(text);
    TDAParams* target = executor->Params();
    Assert(target != nullptr);
    if (params)
        for (int i = 0; i < params->Count(); ++i)
            if (TDAParam* p = target->FindParam(params->Items(i)->Name())) p->Assign(params->Items(i));
    executor->Execute();
}

void TDAScriptProcessor::RunStatement(const AnsiString& statementText, int kind, TDAParams* params,
                                      bool& stop, bool& omit) {
    if (Recording) {
        RecordStatement(kind, omit, owner_->StartPos, owner_->EndPos, owner_->StartLine, owner_->EndLine,
                        owner_->StartColumn, owner_->EndColumn);
        return;
    }
    AnsiString text = owner_->ExpandMacros(statementText);
    try {
        if (owner_->BeforeExecute) owner_->BeforeExecute(owner_, this, text, omit);
        BeforeStatement(text);
        if (omit) return;
        if (owner_->UseBatch) {
            if (!FitsBatch(text)) {
                ExecuteText(owner_->BatchSQL.ToString(), nullptr);
                owner_->BatchSQL.SetLength(0);
            }
            if (owner_->BatchSQL.Length() > 0) owner_->BatchSQL.Append(owner_->Delimiter + "\r\n");
            owner_->BatchSQL.Append(text);
        } else {
            ExecuteText(text, params);
        }
        AfterStatement(text);
        if (owner_->AfterExecute) owner_->AfterExecute(owner_, this, text);
    } catch (const EAbort&) {
        throw;
    } catch (Exception& error) {
        owner_->DoError(error);
        int action = 2;
        if (owner_->OnError) owner_->OnError(owner_, error, Trim(text), action);
        switch (action) {
        case 0:
            stop = true;
            break;
        case 1:
            throw;
        case 2:
            if (Application) Application->HandleException(error);
            break;
        default:
            break;
        }
    }
}
