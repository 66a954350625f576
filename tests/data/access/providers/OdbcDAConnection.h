#pragma once
// A connection component whose class factories name the ODBC provider, standing in for the
// unified connection in the component tests.
#include "data/access/DAConnection.h"
#include "data/access/providers/ODBCClasses.h"
#include "data/access/providers/ODBCMetaData.h"

class TOdbcDAConnection : public TCustomDAConnection {
public:
    VZ_CLASS(TOdbcDAConnection, TCustomDAConnection)
    TOdbcDAConnection() : TCustomDAConnection(nullptr) { LoginPrompt = false; }
    TODBCConnection& Internal() const { return *static_cast<TODBCConnection*>(InternalConnection()); }

protected:
    TClass GetInternalConnectionClass() override { return TODBCConnection::StaticClass(); }
    TClass GetInternalCommandClass() override { return TODBCCommand::StaticClass(); }
    TClass GetInternalMetaDataClass() override { return TODBCMetaData::StaticClass(); }
    void CreateInternalConnection() override {
        if (!InternalConnection()) SetInternalConnection(std::make_unique<TODBCConnection>());
    }
};
