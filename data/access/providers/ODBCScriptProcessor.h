#pragma once
// The ODBC provider's script processor: scripts are cut with the provider's lexer.
#include "data/access/DAScript.h"
#include "data/access/providers/ODBCClasses.h"

class TODBCScriptProcessor : public TDAScriptProcessor {
public:
    VZ_CLASS(TODBCScriptProcessor, TDAScriptProcessor)
    using TDAScriptProcessor::TDAScriptProcessor;
    const TSQLParserClass* LexerClass() override { return ParserClassOf<TODBCParser>("TODBCParser"); }
};
