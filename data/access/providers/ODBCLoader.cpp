#include "data/access/providers/ODBCLoader.h"

#include "data/access/providers/ODBCClasses.h"
#include "data/access/providers/ODBCRecordSet.h"

TODBCLoader::TODBCLoader() {
    InitCommand();
}

void TODBCLoader::CreateCommand() {
    command_ = std::make_unique<TODBCCommand>();
}

TClass TODBCLoader::GetRecordSetClass() {
    return TODBCRecordSet::StaticClass();
}
