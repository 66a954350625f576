#pragma once
// A small provider over the internal base classes: no database, scripted answers, and a log of
// what the base asked of it.
#include <deque>
#include <string>
#include <vector>

#include "data/access/CRAccess.h"
#include "data/memory/CRParser.h"

class TTestTransaction : public TCRTransaction {
public:
    VZ_CLASS(TTestTransaction, TCRTransaction)
    void StartTransaction() override {
        CheckInactive();
        active_ = true;
        native_ = true;
    }
    void Commit() override {
        CheckActive();
        active_ = false;
    }
    void Rollback() override {
        CheckActive();
        active_ = false;
    }
};

class TTestCommand : public TCRCommand {
public:
    VZ_CLASS(TTestCommand, TCRCommand)
    const TSQLParserClass* GetParserClass() const override { return ParserClassOf<TSQLParser>("TSQLParser"); }
    bool GetPrepared() override { return cursorState_ != csInactive; }
    void Execute() override {}
    uint8_t GetCursorState() override { return cursorState_; }
    void SetCursorState(uint8_t value) override { cursorState_ = value; }
    AnsiString CreateProcCall(const AnsiString& name, bool) override { return "{call " + name + "}"; }

    // Runs the scan over sql into the command's own list (where AddParam puts descriptors).
    AnsiString Scan(const AnsiString& sql, std::vector<AnsiString>* names) {
        AnsiString result = ParseSQL(sql, &params_, AnsiString());
        if (names)
            for (int i = 0; i < params_.Count(); ++i)
                names->push_back(params_[i]->GetName());
        return result;
    }
    int parseCount = 0;
    AnsiString ParseSQL(const AnsiString& sql, TParamDescs* params, const AnsiString& renamePrefix) override {
        ++parseCount;
        return TCRCommand::ParseSQL(sql, params, renamePrefix);
    }

private:
    uint8_t cursorState_ = csInactive;
};

class TTestConnection : public TCRConnection {
public:
    VZ_CLASS(TTestConnection, TCRConnection)
    // A provider disconnects in its destructor; nothing to release here.
    ~TTestConnection() override { connected_ = false; }

    TClass GetCommandClass() override { return TTestCommand::StaticClass(); }
    TClass GetTransactionClass() override { return TTestTransaction::StaticClass(); }

    // Scripted answers of Connect: true succeeds, false raises; an empty script succeeds.
    std::deque<bool> connectScript;
    bool disconnectFails = false;
    std::vector<std::string> log;

    void Connect(const AnsiString& connectString) override {
        bool ok = true;
        if (!connectScript.empty()) {
            ok = connectScript.front();
            connectScript.pop_front();
        }
        log.push_back(ok ? "connect" : "connect-fail");
        if (!ok) throw Exception("server unreachable");
        connected_ = true;
        TCRConnection::Connect(connectString);
    }
    void Disconnect() override {
        log.push_back("disconnect");
        connected_ = false;
        if (disconnectFails) throw Exception("link is down");
    }
    void AssignConnect(TCRConnection* source) override {
        connected_ = source->GetConnected();
        nativeConnection_ = false;
    }
    bool CheckIsValid() override { return connected_; }
    AnsiString GetServerVersion() override { return "1.0"; }
    AnsiString GetServerVersionFull() override { return "Test 1.0"; }
    AnsiString GetClientVersion() override { return "1.0"; }

    void SetConnectedFlag(bool value) { connected_ = value; }
};
