#pragma once
// The JavaScript tokenizer and the questions about statements both page-set formats read their
// arrays with.
#include "ScriptStatements.h"
#include "ScriptTokenizer.h"
