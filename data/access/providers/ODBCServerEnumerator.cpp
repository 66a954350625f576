#include "data/access/providers/ODBCServerEnumerator.h"

#include "data/access/providers/ODBCCall.h"

void TODBCServerEnumerator::GetServerList(TStrings* list) {
    list->Clear();
    TODBCCli* cli = GetODBCCli();
    if (!cli->IsEnvAllocated()) cli->AllocEnv();
    SQLCHAR name[256];
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT descriptionLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        SQLRETURN code = cli->SQLDataSources(cli->EnvHandle(), direction, name, 256, &nameLength, nullptr, 0,
                                             &descriptionLength);
        if (IsODBCError(code)) break;
        list->Add(reinterpret_cast<const char*>(name));
        direction = SQL_FETCH_NEXT;
    }
}
