#pragma once
// Config.ini: every setting the program keeps between runs, read and written
// through the platform's INI-file object, so each write reaches the file at once
// and every other object on the same file sees it. Readers get the defaults for
// a missing file, section or key and for a value that is no number.
#include "platform/TIniFile.h"

namespace Cfg {
// Section names, written exactly so.
inline constexpr const char* kSettings = "SETTINGS";
inline constexpr const char* kMainFrame = "MAIN_FRAME";
inline constexpr const char* kAboutFrm = "ABOUT_FRM";
inline constexpr const char* kProfile0 = "PROFILE0";
inline constexpr const char* kConnection = "CONNECTION";

// Keys.
inline constexpr const char* kDebug = "debug";
inline constexpr const char* kModemDevice = "ModemDevice";
inline constexpr const char* kUseExtLangSMS = "UseExtLangSMS";
inline constexpr const char* kConnectToOtherDev = "ConnectToOtherDev";
inline constexpr const char* kShowSelModScreen = "ShowSelModScreen";
inline constexpr const char* kAttemptToReconnect = "AttemptToReconnect";
inline constexpr const char* kUserOperator = "UserOperator";
inline constexpr const char* kActiveLanguage = "ActiveLanguage";
inline constexpr const char* kLeftPos = "LeftPos";
inline constexpr const char* kTopPos = "TopPos";
inline constexpr const char* kConnectOnStartup = "Connect_on_startup";
inline constexpr const char* kConnectionPhone = "Connection_Phone";
inline constexpr const char* kConnectionUserName = "Connection_User_Name";
inline constexpr const char* kConnectionUserPassword = "Connection_User_Password";
inline constexpr const char* kConnectionAPN = "Connection_APN";
inline constexpr const char* kAuthentication = "Authentication";
inline constexpr const char* kTechnology = "Technology";

// [SETTINGS] debug = this value creates the debug window; any other value does not.
inline constexpr int kDebugOn = 42;

inline constexpr int kMainLeftDefault = 100;
inline constexpr int kMainTopDefault = 100;
inline constexpr int kAboutLeftDefault = 100;
inline constexpr int kAboutTopDefault = 150;
inline constexpr int kTechnologyDefault = 3;
// What the modem search reads for a missing ModemDevice.
inline constexpr const char* kNoModemDevice = "NONE";
}  // namespace Cfg

class TConfigFile {
public:
    // Logs once when the file exists but cannot be read; its defaults then apply
    // and writes leave the file alone.
    explicit TConfigFile(const AnsiString& fileName);

    // The file exists but its settings cannot be read, so none can be saved
    // until it is mended or removed.
    bool IsUnreadable() const;
    // The user made the file read-only: no setting is saved.
    bool IsReadOnly() const { return m_ini.IsReadOnly(); }

    TIniFile& Ini() { return m_ini; }
    const AnsiString& FileName() const { return m_ini.FileName(); }

    int GetDebug() const;
    bool IsDebugOn() const { return GetDebug() == Cfg::kDebugOn; }

    AnsiString GetModemDevice(const AnsiString& def = AnsiString()) const;
    bool SetModemDevice(const AnsiString& name);
    bool DeleteModemDevice();
    bool GetUseExtLangSMS() const;
    bool SetUseExtLangSMS(bool on);
    bool GetConnectToOtherDev() const;
    bool SetConnectToOtherDev(bool on);
    bool GetShowSelModScreen() const;
    bool SetShowSelModScreen(bool on);
    bool GetAttemptToReconnect() const;
    bool SetAttemptToReconnect(bool on);
    AnsiString GetUserOperator() const;
    bool SetUserOperator(const AnsiString& code);
    bool DeleteUserOperator();
    // The raw stored index; the language table corrects it.
    int GetActiveLanguage() const;
    bool SetActiveLanguage(int index);

    // Main window position: a negative value reads as the default.
    int GetMainLeft() const;
    int GetMainTop() const;
    bool SetMainPosition(int left, int top);
    int GetAboutLeft() const;
    int GetAboutTop() const;
    bool SetAboutPosition(int left, int top);

    int GetConnectOnStartup() const;
    bool SetConnectOnStartup(bool on);
    AnsiString GetConnectionPhone() const;
    bool SetConnectionPhone(const AnsiString& phone);
    AnsiString GetConnectionUserName() const;
    bool SetConnectionUserName(const AnsiString& name);
    AnsiString GetConnectionUserPassword() const;
    bool SetConnectionUserPassword(const AnsiString& password);
    AnsiString GetConnectionAPN() const;
    bool SetConnectionAPN(const AnsiString& apn);
    // 0 none, 1 PAP, 2 CHAP.
    int GetAuthentication() const;
    bool SetAuthentication(int value);
    // 0 GPRS only, 1 HSxPA only, 2 GPRS preferred, 3 HSxPA preferred.
    int GetTechnology() const;
    bool SetTechnology(int value);

private:
    int ReadPosition(const char* section, const char* key, int def) const;

    mutable TIniFile m_ini;
};
