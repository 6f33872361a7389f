#include "communicator/TOperatorList.h"

#include "communicator/OperatorTable.h"

TOperatorList::TOperatorList(const AnsiString& folder)
{
    if (folder.empty())
        m_sFileName = kOperatorsFileName;
    else if (folder.back() == '/')
        m_sFileName = folder + kOperatorsFileName;
    else
        m_sFileName = folder + "/" + kOperatorsFileName;
    Load();
    m_bLoaded = m_nCount > 0 ? 1 : 0;
}

TOperatorList::~TOperatorList() = default;

int32_t TOperatorList::Load()
{
    m_vOperators.clear();
    for (const AnsiString& value : ReadOperatorValues(m_sFileName)) {
        // The code is what stands between the first "(" and the first ")";
        // an entry without that pair names nothing and is left out.
        const size_t open = value.find('(');
        const size_t close = value.find(')');
        if (open == AnsiString::npos || close == AnsiString::npos || close < open)
            continue;
        m_vOperators.push_back({value.substr(close + 1), value.substr(open + 1, close - open - 1)});
    }
    m_nCount = static_cast<int32_t>(m_vOperators.size());
    return m_nCount;
}

AnsiString TOperatorList::GetOperatorName(const AnsiString& code) const
{
    for (const ST_ALL_OPERATORS_LIST& entry : m_vOperators)
        if (entry.code == code)
            return entry.name;
    return code;
}
