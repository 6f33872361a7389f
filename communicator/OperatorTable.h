#pragma once
// Reading Operators.dat and the communicator's operator table.
//
// The file is an INI file with one section [Operators] whose keys count up
// from "Operator00001"; a key that is missing, empty or unreadable is passed
// over. Each value is "(" + numeric code + ")" + display name; the
// name may hold parentheses of its own, only the first ")" ends the code.
//
// The communicator keeps codes as numbers (so "024601" and "24601" are the
// same network) and answers by number; TOperatorList keeps them as texts.
#include <cstdint>
#include <vector>
#include "platform/Types.h"

struct STRUCT_OPERATOR_LIST {
    AnsiString name;
    int32_t code = 0;
};

inline constexpr const char* kOperatorsFileName = "Operators.dat";
inline constexpr const char* kOperatorsSection = "Operators";

// "Operator%05d": the key of the n-th entry.
AnsiString OperatorKey(int n);

// The non-empty values of the file's "Operator%05d" keys in number order. A
// missing or unreadable file gives none.
std::vector<AnsiString> ReadOperatorValues(const AnsiString& fileName);

// A code text as a number: decimal digits only, blanks around allowed, and it
// must fit into an int32. False for anything else.
bool ParseOperatorCode(const AnsiString& text, int32_t& code);

// The communicator's table: the text after the first character up to the
// first ")" is the code, the text after that ")" the name. An entry whose
// code is not a number is skipped; the entries after it are still read.
std::vector<STRUCT_OPERATOR_LIST> ReadOperatorTable(const AnsiString& fileName);

// Name of a numeric code text as the modem reports it. An empty table gives
// the text back unchanged; a text that is not a number or a code that is not
// listed gives the code text, blanks around removed. The first entry in file
// order wins.
AnsiString OperatorNameOf(const std::vector<STRUCT_OPERATOR_LIST>& table, const AnsiString& codeText);

// Name of a stored code; the code in decimal when the table is empty or does
// not list it.
AnsiString OperatorNameOfCode(const std::vector<STRUCT_OPERATOR_LIST>& table, int32_t code);
