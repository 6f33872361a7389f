#include "communicator/TModemComm.h"

#include <filesystem>

void TModemComm::LoadOperators()
{
    m_bOperatorsLoaded = 0;
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::current_path(ec);
    const AnsiString file = ec ? AnsiString(kOperatorsFileName) : (folder / kOperatorsFileName).string();
    m_vOperators = ReadOperatorTable(file);
    if (!m_vOperators.empty())
        m_bOperatorsLoaded = 1;
}

AnsiString TModemComm::GetOperatorName(const AnsiString& code)
{
    if (m_bOperatorsLoaded == 0)
        return code;
    return OperatorNameOf(m_vOperators, code);
}

AnsiString TModemComm::GetOperatorNameByCode(int32_t code)
{
    return OperatorNameOfCode(m_vOperators, code);
}
