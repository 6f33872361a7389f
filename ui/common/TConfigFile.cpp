#include "ui/common/TConfigFile.h"

#include <sys/stat.h>

#include "ui/common/UiLog.h"

using namespace Cfg;

namespace {
// Takes the file's read and write rights from everybody but its owner.
void MakePrivate(const AnsiString& fileName)
{
    struct stat st {};
    if (::stat(fileName.c_str(), &st) == 0 && (st.st_mode & 077) != 0)
        ::chmod(fileName.c_str(), st.st_mode & 0700);
}
}  // namespace

TConfigFile::TConfigFile(const AnsiString& fileName) : m_ini(fileName)
{
    if (m_ini.IsUnreadable())
        UiLog("Config.ini \"" + fileName + "\" cannot be read; the default settings apply and none are saved");
    else if (m_ini.IsReadOnly())
        UiLog("Config.ini \"" + fileName + "\" is read-only; no setting is saved");
    // A file that an older run left open to others while it held a password.
    else if (!GetConnectionUserPassword().empty())
        MakePrivate(fileName);
}

bool TConfigFile::IsUnreadable() const
{
    return m_ini.IsUnreadable();
}

int TConfigFile::GetDebug() const
{
    return m_ini.ReadInteger(kSettings, kDebug, 0);
}

AnsiString TConfigFile::GetModemDevice(const AnsiString& def) const
{
    return m_ini.ReadString(kSettings, kModemDevice, def);
}

bool TConfigFile::SetModemDevice(const AnsiString& name)
{
    return m_ini.WriteString(kSettings, kModemDevice, name);
}

bool TConfigFile::DeleteModemDevice()
{
    return m_ini.DeleteKey(kSettings, kModemDevice);
}

bool TConfigFile::GetUseExtLangSMS() const
{
    return m_ini.ReadBool(kSettings, kUseExtLangSMS, true);
}

bool TConfigFile::SetUseExtLangSMS(bool on)
{
    return m_ini.WriteBool(kSettings, kUseExtLangSMS, on);
}

bool TConfigFile::GetConnectToOtherDev() const
{
    return m_ini.ReadBool(kSettings, kConnectToOtherDev, true);
}

bool TConfigFile::SetConnectToOtherDev(bool on)
{
    return m_ini.WriteBool(kSettings, kConnectToOtherDev, on);
}

bool TConfigFile::GetShowSelModScreen() const
{
    return m_ini.ReadBool(kSettings, kShowSelModScreen, true);
}

bool TConfigFile::SetShowSelModScreen(bool on)
{
    return m_ini.WriteBool(kSettings, kShowSelModScreen, on);
}

bool TConfigFile::GetAttemptToReconnect() const
{
    return m_ini.ReadBool(kSettings, kAttemptToReconnect, true);
}

bool TConfigFile::SetAttemptToReconnect(bool on)
{
    return m_ini.WriteBool(kSettings, kAttemptToReconnect, on);
}

AnsiString TConfigFile::GetUserOperator() const
{
    return m_ini.ReadString(kSettings, kUserOperator, "");
}

bool TConfigFile::SetUserOperator(const AnsiString& code)
{
    return m_ini.WriteString(kSettings, kUserOperator, code);
}

bool TConfigFile::DeleteUserOperator()
{
    return m_ini.DeleteKey(kSettings, kUserOperator);
}

int TConfigFile::GetActiveLanguage() const
{
    return m_ini.ReadInteger(kSettings, kActiveLanguage, 0);
}

bool TConfigFile::SetActiveLanguage(int index)
{
    return m_ini.WriteInteger(kSettings, kActiveLanguage, index);
}

int TConfigFile::ReadPosition(const char* section, const char* key, int def) const
{
    const int v = m_ini.ReadInteger(section, key, def);
    return v < 0 ? def : v;
}

int TConfigFile::GetMainLeft() const
{
    return ReadPosition(kMainFrame, kLeftPos, kMainLeftDefault);
}

int TConfigFile::GetMainTop() const
{
    return ReadPosition(kMainFrame, kTopPos, kMainTopDefault);
}

bool TConfigFile::SetMainPosition(int left, int top)
{
    const bool a = m_ini.WriteInteger(kMainFrame, kLeftPos, left);
    const bool b = m_ini.WriteInteger(kMainFrame, kTopPos, top);
    return a && b;
}

int TConfigFile::GetAboutLeft() const
{
    return m_ini.ReadInteger(kAboutFrm, kLeftPos, kAboutLeftDefault);
}

int TConfigFile::GetAboutTop() const
{
    return m_ini.ReadInteger(kAboutFrm, kTopPos, kAboutTopDefault);
}

bool TConfigFile::SetAboutPosition(int left, int top)
{
    const bool a = m_ini.WriteInteger(kAboutFrm, kLeftPos, left);
    const bool b = m_ini.WriteInteger(kAboutFrm, kTopPos, top);
    return a && b;
}

int TConfigFile::GetConnectOnStartup() const
{
    return m_ini.ReadInteger(kProfile0, kConnectOnStartup, 0);
}

bool TConfigFile::SetConnectOnStartup(bool on)
{
    return m_ini.WriteInteger(kProfile0, kConnectOnStartup, on ? 1 : 0);
}

AnsiString TConfigFile::GetConnectionPhone() const
{
    return m_ini.ReadString(kProfile0, kConnectionPhone, "");
}

bool TConfigFile::SetConnectionPhone(const AnsiString& phone)
{
    return m_ini.WriteString(kProfile0, kConnectionPhone, phone);
}

AnsiString TConfigFile::GetConnectionUserName() const
{
    return m_ini.ReadString(kProfile0, kConnectionUserName, "");
}

bool TConfigFile::SetConnectionUserName(const AnsiString& name)
{
    return m_ini.WriteString(kProfile0, kConnectionUserName, name);
}

AnsiString TConfigFile::GetConnectionUserPassword() const
{
    return m_ini.ReadString(kProfile0, kConnectionUserPassword, "");
}

bool TConfigFile::SetConnectionUserPassword(const AnsiString& password)
{
    // Closed before the password goes in: every write makes its new file with
    // the old one's mode, so no file open to others ever holds it. A new file
    // is private already.
    if (!password.empty() && !m_ini.IsUnreadable())
        MakePrivate(FileName());
    return m_ini.WriteString(kProfile0, kConnectionUserPassword, password);
}

AnsiString TConfigFile::GetConnectionAPN() const
{
    return m_ini.ReadString(kProfile0, kConnectionAPN, "");
}

bool TConfigFile::SetConnectionAPN(const AnsiString& apn)
{
    return m_ini.WriteString(kProfile0, kConnectionAPN, apn);
}

int TConfigFile::GetAuthentication() const
{
    return m_ini.ReadInteger(kConnection, kAuthentication, 0);
}

bool TConfigFile::SetAuthentication(int value)
{
    return m_ini.WriteInteger(kConnection, kAuthentication, value);
}

int TConfigFile::GetTechnology() const
{
    return m_ini.ReadInteger(kConnection, kTechnology, kTechnologyDefault);
}

bool TConfigFile::SetTechnology(int value)
{
    return m_ini.WriteInteger(kConnection, kTechnology, value);
}
