#pragma once
// The operator names of Operators.dat with their codes kept as written, for
// naming the networks of an operator scan. Codes compare as texts, exactly:
// "024601" does not find "24601".
#include <cstdint>
#include <vector>
#include "platform/Types.h"

struct ST_ALL_OPERATORS_LIST {
    AnsiString name;
    AnsiString code;
};

class TOperatorList {
public:
    // Reads folder/Operators.dat at once.
    explicit TOperatorList(const AnsiString& folder);
    ~TOperatorList();

    // Empties the list and reads the file again; the number of entries.
    int32_t Load();
    // The name of the first entry whose code equals `code`; the code itself if
    // none has it (a network the file does not know is shown by its number).
    AnsiString GetOperatorName(const AnsiString& code) const;

    const AnsiString& FileName() const { return m_sFileName; }
    // Whether the first reading found any entry.
    bool IsLoaded() const { return m_bLoaded != 0; }
    int32_t Count() const { return m_nCount; }
    const std::vector<ST_ALL_OPERATORS_LIST>& Operators() const { return m_vOperators; }

private:
    AnsiString m_sFileName;
    uint8_t m_bLoaded = 0;
    std::vector<ST_ALL_OPERATORS_LIST> m_vOperators;
    int32_t m_nCount = 0;
};
