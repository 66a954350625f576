// Text blob parameters of the unified statement under the connection's ConvertEOL: LF line ends on
// the server, CR LF for the caller, both ways.
#include "UniTestSupport.h"

namespace {

std::string LineEndsFile() {
    std::string dir = BuildFolderUnix("uni-line-ends-tests");
    CreateDirectoryA(("Z:" + dir).c_str(), nullptr);
    std::string file = dir + "/m-" + std::to_string(GetCurrentProcessId()) + ".db";
    DeleteFileA(("Z:" + file).c_str());
    return file;
}

void RunStatement(TUniConnection& c, const char* sql) {
    TUniSQL statement(nullptr);
    statement.SetConnection(&c);
    SetSQL(statement.SQL(), sql);
    statement.Execute();
}

} // namespace

TEST(UniSQLLineEnds, AnInputMemoReachesTheServerWithLFAndStaysAsTheCallerWroteIt) {
    TUniConnection connection;
    connection.SetProviderName("ODBC");
    connection.LoginPrompt = false;
    connection.SetServer(("DRIVER={SQLite3};Database=" + LineEndsFile()).c_str());
    connection.SetConvertEOL(true);
    connection.Connect();
    RunStatement(connection, "CREATE TABLE m (v BLOB)");
    TUniSQL insert(nullptr);
    insert.SetConnection(&connection);
    SetSQL(insert.SQL(), "INSERT INTO m VALUES (:v)");
    TDAParam* v = insert.ParamByName("v");
    v->SetDataType(ftMemo);
    v->SetParamType(ptInput);
    v->SetAsString("a\r\nb");
    insert.Execute();
    EXPECT_EQ(v->GetAsString(), "a\r\nb");
    EXPECT_EQ(QueryValue(Internal(connection), "SELECT length(v) FROM m"), "3");
}

TEST(UniSQLLineEnds, AnOutputMemoComesBackWithCRLF) {
    const PostgresServer& server = PostgresServer::Get();
    TUniConnection connection;
    connection.SetProviderName("ODBC");
    connection.LoginPrompt = false;
    connection.SetServer(server.ServerText().c_str());
    connection.SetUsername(server.User.c_str());
    connection.SetPassword(server.Password.c_str());
    connection.SetConvertEOL(true);
    connection.Connect();
    RunStatement(connection, "CREATE OR REPLACE FUNCTION vz_uni_memo_out(a integer, OUT t text) AS $$ "
                             "BEGIN t := 'x' || chr(10) || a::text; END $$ LANGUAGE plpgsql");
    TUniSQL call(nullptr);
    call.SetConnection(&connection);
    auto* a = static_cast<TDAParam*>(call.Params()->Add());
    a->SetName("a");
    a->SetDataType(ftInteger);
    a->SetParamType(ptInput);
    auto* memo = static_cast<TDAParam*>(call.Params()->Add());
    memo->SetName("t");
    memo->SetDataType(ftMemo);
    memo->SetParamType(ptOutput);
    call.CreateProcCall("vz_uni_memo_out", false);
    a->SetValue(Variant(9));
    memo->SetAsString("left over");
    call.Execute();
    EXPECT_EQ(memo->GetAsString(), "x\r\n9");
}
