#include "platform/LastError.h"
#include "platform/Ras.h"
#include "RasTestSupport.h"

#include <cstring>
#include <sys/stat.h>
#include <vector>

using namespace rastest;

namespace {

class RasPhonebook : public DialFixture {
protected:
    static DWORD Create(const char* name, const char* phone, const char* device = "Test Modem")
    {
        RASENTRYA e;
        e.dwfOptions = RASEO_RemoteDefaultGateway | RASEO_ModemLights;
        std::strcpy(e.szLocalPhoneNumber, phone);
        e.dwfNetProtocols = RASNP_Ipx | RASNP_Ip;
        e.dwFramingProtocol = RASFP_Ppp;
        std::strcpy(e.szDeviceType, RASDT_Modem);
        std::strcpy(e.szDeviceName, device);
        e.dwType = RASET_Phone;
        e.dwEncryptionType = ET_Optional;
        return RasSetEntryPropertiesA(nullptr, name, &e, sizeof e, nullptr, 0);
    }
    static DWORD SetCredentials(const char* name, const std::string& user, const std::string& password, bool remove)
    {
        RASDIALPARAMSA p;
        std::strcpy(p.szEntryName, name);
        std::snprintf(p.szUserName, sizeof p.szUserName, "%s", user.c_str());
        std::snprintf(p.szPassword, sizeof p.szPassword, "%s", password.c_str());
        return RasSetEntryDialParamsA(nullptr, &p, remove);
    }
    static std::vector<std::string> Names()
    {
        std::vector<RASENTRYNAMEA> buf(1);
        DWORD bytes = sizeof(RASENTRYNAMEA), count = 0;
        DWORD rc = RasEnumEntriesA(nullptr, nullptr, buf.data(), &bytes, &count);
        if (rc == ERROR_BUFFER_TOO_SMALL) {
            buf.resize(bytes / sizeof(RASENTRYNAMEA));
            rc = RasEnumEntriesA(nullptr, nullptr, buf.data(), &bytes, &count);
        }
        EXPECT_EQ(rc, 0u);
        std::vector<std::string> names;
        for (DWORD i = 0; i < count; ++i)
            names.push_back(buf[i].szEntryName);
        return names;
    }
    std::string FileText() const
    {
        std::ifstream in(RasDefaultPhonebookPath());
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_F(RasPhonebook, EntryAndCredentialsAreStoredPrivately)
{
    EXPECT_EQ(RasDefaultPhonebookPath(), (m_dir / "config" / "phonebook").string());
    ASSERT_EQ(RasValidateEntryNameA(nullptr, "Test Modem"), 0u);
    ASSERT_EQ(Create("Test Modem", "*99#"), 0u);
    ASSERT_EQ(SetCredentials("Test Modem", "web", "s3cret", false), 0u);

    struct stat st{};
    ASSERT_EQ(::stat(RasDefaultPhonebookPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat((m_dir / "config").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u);

    const std::string text = FileText();
    for (const char* line : {"[Test Modem]", "PhoneNumber=*99#", "DeviceType=modem", "DeviceName=Test Modem",
                             "Options=272", "NetProtocols=6", "FramingProtocol=1", "Type=1", "EncryptionType=3",
                             "UserName=web", "Password=s3cret", "PasswordSaved=1"})
        EXPECT_NE(text.find(std::string(line) + "\n"), std::string::npos) << line;

    RASDIALPARAMSA p;
    std::strcpy(p.szEntryName, "Test Modem");
    BOOL saved = 0;
    ASSERT_EQ(RasGetEntryDialParamsA(nullptr, &p, &saved), 0u);
    EXPECT_STREQ(p.szUserName, "web");
    EXPECT_STREQ(p.szPassword, "s3cret");
    EXPECT_EQ(saved, 1);

    // Removing the password keeps the user name.
    ASSERT_EQ(SetCredentials("Test Modem", "web", "ignored", true), 0u);
    RASDIALPARAMSA q;
    std::strcpy(q.szEntryName, "Test Modem");
    ASSERT_EQ(RasGetEntryDialParamsA(nullptr, &q, &saved), 0u);
    EXPECT_STREQ(q.szUserName, "web");
    EXPECT_STREQ(q.szPassword, "");
    EXPECT_EQ(saved, 0);
    EXPECT_EQ(FileText().find("ignored"), std::string::npos);
}

TEST_F(RasPhonebook, ValidateEnumerateAndDelete)
{
    EXPECT_TRUE(Names().empty());
    ASSERT_EQ(Create("Modem A", "*99#"), 0u);
    ASSERT_EQ(Create("Modem B", "*99***1#"), 0u);
    ASSERT_EQ(Create("Modem C", "*98#"), 0u);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Modem A", "Modem B", "Modem C"}));
    EXPECT_EQ(RasValidateEntryNameA(nullptr, "Modem B"), DWORD{ERROR_ENTRY_ALREADY_EXISTS});
    // Names are exact: another case is another entry.
    EXPECT_EQ(RasValidateEntryNameA(nullptr, "modem b"), 0u);

    // Setting an existing entry replaces its properties, it adds none.
    ASSERT_EQ(Create("Modem B", "*77#"), 0u);
    EXPECT_EQ(Names().size(), 3u);
    EXPECT_NE(FileText().find("PhoneNumber=*77#\n"), std::string::npos);

    EXPECT_EQ(RasDeleteEntryA(nullptr, "modem b"), DWORD{ERROR_CANNOT_FIND_PHONEBOOK_ENTRY});
    EXPECT_EQ(RasDeleteEntryA(nullptr, "Modem B"), 0u);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Modem A", "Modem C"}));
    EXPECT_EQ(RasDeleteEntryA(nullptr, ""), DWORD{ERROR_INVALID_NAME});
    EXPECT_EQ(SetCredentials("Modem B", "u", "p", false), DWORD{ERROR_CANNOT_FIND_PHONEBOOK_ENTRY});

    // Asking for the size first.
    DWORD bytes = 0, count = 0;
    EXPECT_EQ(RasEnumEntriesA(nullptr, nullptr, nullptr, &bytes, &count), DWORD{ERROR_BUFFER_TOO_SMALL});
    EXPECT_EQ(bytes, 2 * sizeof(RASENTRYNAMEA));
    EXPECT_EQ(count, 2u);
}

TEST_F(RasPhonebook, InvalidNamesAreRefused)
{
    const std::string tooLong(RAS_MaxEntryName + 1, 'x');
    const std::string longest(RAS_MaxEntryName, 'x');
    for (const std::string& bad : {std::string(""), std::string(".hidden"), std::string("   "),
                                   std::string("two\nlines"), tooLong}) {
        EXPECT_EQ(RasValidateEntryNameA(nullptr, bad.c_str()), DWORD{ERROR_INVALID_NAME}) << bad;
        EXPECT_EQ(Create(bad.c_str(), "*99#"), DWORD{ERROR_INVALID_NAME}) << bad;
    }
    EXPECT_EQ(RasValidateEntryNameA(nullptr, longest.c_str()), 0u);
    EXPECT_TRUE(Names().empty());
}

TEST_F(RasPhonebook, AwkwardTextsSurviveTheFile)
{
    const std::string name = "Odd [name] = 100%";
    const std::string password = "p=w]%0A\r\n[x]\t\"'\\";
    ASSERT_EQ(Create(name.c_str(), "*99#"), 0u);
    ASSERT_EQ(Create("Next", "*98#"), 0u);
    ASSERT_EQ(SetCredentials(name.c_str(), "user\nPassword=evil", password, false), 0u);

    EXPECT_EQ(Names(), (std::vector<std::string>{name, "Next"}));
    RASDIALPARAMSA p;
    std::snprintf(p.szEntryName, sizeof p.szEntryName, "%s", name.c_str());
    ASSERT_EQ(RasGetEntryDialParamsA(nullptr, &p, nullptr), 0u);
    EXPECT_EQ(std::string(p.szUserName), "user\nPassword=evil");
    EXPECT_EQ(std::string(p.szPassword), password);
    RASDIALPARAMSA n;
    std::strcpy(n.szEntryName, "Next");
    ASSERT_EQ(RasGetEntryDialParamsA(nullptr, &n, nullptr), 0u);
    EXPECT_STREQ(n.szPassword, "");
}

TEST_F(RasPhonebook, UnwritableFolderIsReported)
{
    std::ofstream(m_dir / "plain-file") << "x";
    ::setenv("QVX_PHONEBOOK_DIR", (m_dir / "plain-file" / "sub").c_str(), 1);
    EXPECT_EQ(Create("X", "*99#"), DWORD{ERROR_CANNOT_WRITE_PHONEBOOK});
    EXPECT_EQ(RasValidateEntryNameA(nullptr, "X"), 0u);  // nothing there yet
}

}  // namespace
