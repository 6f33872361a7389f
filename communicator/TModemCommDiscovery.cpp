// Modem discovery (the known modems among those the registry view lists) and
// presence detection.
#include "communicator/TModemComm.h"

#include <QString>
#include <cctype>
#include <vector>

#include "communicator/port/TPort.h"
#include "platform/ModemRegistry.h"

namespace {

QString Q(const AnsiString& s) { return QString::fromStdString(s); }

bool SameIgnoringCase(const AnsiString& a, const AnsiString& b)
{
    return Q(a).compare(Q(b), Qt::CaseInsensitive) == 0;
}

}  // namespace

void TModemComm::InitModemDevices()
{
    m_pModemList = std::make_unique<TModemList>();
    m_pModemList->Load();
    m_pModemData.reset();
    m_nModemCount = 0;
    m_vDeviceSet = EnumerateModemKeys();
    EnumModems();
}

bool TModemComm::RefreshModemDevices()
{
    // Unplugged modems leave no trace in the kernel's view, so the list can
    // follow the devices as they come and go.
    std::vector<TModemKey> now = EnumerateModemKeys();
    {
        // The worker and an open "plug in your modem" box both ask.
        std::lock_guard<std::recursive_mutex> lock(m_ModemDataMutex);
        if (now == m_vDeviceSet)
            return false;
        m_vDeviceSet = std::move(now);
        EnumModems();
        ++m_nDeviceSetChanges;
    }
    AddToMemo("Modem devices changed: " + std::to_string(GetDeviceCount()) + " known");
    return true;
}

void TModemComm::ReleaseModemDevices()
{
    std::lock_guard<std::recursive_mutex> lock(m_ModemDataMutex);
    m_pModemList.reset();
    m_pModemData.reset();
    m_nModemCount = 0;
}

void TModemComm::EnumModems()
{
    std::lock_guard<std::recursive_mutex> lock(m_ModemDataMutex);
    TModemRegistry reg;
    std::vector<AnsiString> subkeys;
    if (reg.OpenKeyReadOnly(kModemClassKey)) {
        subkeys = reg.GetKeyNames();
        reg.CloseKey();
    }
    m_nModemCount = static_cast<int32_t>(subkeys.size());
    m_pModemData.reset();
    if (m_nModemCount == 0)
        return;
    m_pModemData = std::make_unique<TModemData[]>(subkeys.size());
    for (size_t i = 0; i < subkeys.size(); ++i) {
        TModemData& d = m_pModemData[i];
        const AnsiString key = AnsiString(kModemClassKey) + "\\" + subkeys[i];
        if (!reg.OpenKeyReadOnly(key))
            continue;  // gone since the listing: no name, so the filter drops it
        d.SetName(reg.ReadString("FriendlyName"));
        if (d.name[0] != '\0')
            d.SetRegKey(key);
        d.SetPort(reg.ReadString("AttachedTo"));
        reg.CloseKey();
    }
    FilterModems();
}

void TModemComm::FilterModems()
{
    std::lock_guard<std::recursive_mutex> lock(m_ModemDataMutex);
    std::vector<TModemData> kept;
    for (int32_t i = 0; m_pModemData && i < m_nModemCount; ++i)
        if (m_pModemList && m_pModemList->Contains(StripDeviceIndex(m_pModemData[i].name)))
            kept.push_back(m_pModemData[i]);
    m_pModemData = std::make_unique<TModemData[]>(kept.size());
    for (size_t i = 0; i < kept.size(); ++i)
        m_pModemData[i] = kept[i];
    m_nModemCount = static_cast<int32_t>(kept.size());
}

int TModemComm::GetDeviceCount() const
{
    std::lock_guard<std::recursive_mutex> lock(m_ModemDataMutex);
    return m_pModemData ? m_nModemCount : 0;
}

AnsiString TModemComm::GetDeviceName(int index) const
{
    std::lock_guard<std::recursive_mutex> lock(m_ModemDataMutex);
    if (!m_pModemData || index < 0 || index >= m_nModemCount)
        return {};
    return m_pModemData[index].name;
}

AnsiString TModemComm::getPort(int index) const
{
    std::lock_guard<std::recursive_mutex> lock(m_ModemDataMutex);
    if (!m_pModemData || index < 0 || index >= m_nModemCount)
        return {};
    return m_pModemData[index].port;
}

AnsiString TModemComm::FindDevicePort(const AnsiString& name) const
{
    std::lock_guard<std::recursive_mutex> lock(m_ModemDataMutex);
    return getPort(FindDeviceIndex(name));
}

int TModemComm::FindDeviceIndex(const AnsiString& name) const
{
    std::lock_guard<std::recursive_mutex> lock(m_ModemDataMutex);
    // Of several devices of this name (letter case aside) the one on the port
    // in use: the stick in use stays in use while it is there.
    const QString wanted = Q(name).toUpper();
    int first = -1;
    for (int32_t i = 0; m_pModemData && i < m_nModemCount; ++i) {
        if (Q(m_pModemData[i].name).toUpper() != wanted)
            continue;
        if (PortNumber(m_pModemData[i].port) == GetPortNumber())
            return i;
        if (first < 0)
            first = i;
    }
    return first;
}

int TModemComm::PortNumber(const AnsiString& portText)
{
    if (portText.size() < 4 || portText.compare(0, 3, "COM") != 0)
        return -1;
    int n = 0;
    size_t i = 3;
    for (; i < portText.size() && std::isdigit(static_cast<unsigned char>(portText[i])); ++i) {
        if (n > 100000)
            return -1;
        n = n * 10 + (portText[i] - '0');
    }
    return i > 3 ? n : -1;
}

AnsiString TModemComm::StripDeviceIndex(const AnsiString& name)
{
    const size_t hash = name.find('#');
    if (hash == AnsiString::npos)
        return name;
    size_t begin = 0, end = hash;
    while (begin < end && static_cast<unsigned char>(name[begin]) <= ' ')
        ++begin;
    while (end > begin && static_cast<unsigned char>(name[end - 1]) <= ' ')
        --end;
    return name.substr(begin, end - begin);
}

bool TModemComm::ModemPortMoved() const
{
    const int listed = PortNumber(FindDevicePort(GetModemName()));
    return listed > 0 && listed != GetPortNumber();
}

bool TModemComm::DeviceListed(const AnsiString& name, bool& listOk)
{
    std::vector<RASDEVINFOA> devices(1);
    DWORD bytes = sizeof(RASDEVINFOA);
    DWORD count = 0;
    DWORD rc = RasEnumDevicesA(devices.data(), &bytes, &count);
    if (rc == ERROR_BUFFER_TOO_SMALL) {
        devices.assign(bytes / sizeof(RASDEVINFOA) + 1, RASDEVINFOA{});
        bytes = static_cast<DWORD>(devices.size() * sizeof(RASDEVINFOA));
        rc = RasEnumDevicesA(devices.data(), &bytes, &count);
    }
    listOk = rc == 0;
    if (!listOk)
        return false;
    for (DWORD i = 0; i < count && i < devices.size(); ++i)
        if (SameIgnoringCase(devices[i].szDeviceType, RASDT_Modem) && SameIgnoringCase(devices[i].szDeviceName, name))
            return true;
    return false;
}

bool TModemComm::TestNamedDevicePort(const AnsiString& name)
{
    // Names carry no port ("USB Modem #2"), and a stick lists every port it
    // has, its silent diagnostics port too: only an answer tells the modem.
    // A device without a known COM port cannot answer; never fall back on the
    // configured port.
    const int port = PortNumber(FindDevicePort(name));
    if (port < 1) {
        AddToMemo("No COM port known for " + name);
        return false;
    }
    return TestPort(port);
}

TModemComm::EPortTest TModemComm::PortTestOfOpenError(uint32_t error)
{
    switch (error) {
    case PORT_ERROR_NO_PERMISSION: return EPortTest::NoPermission;
    case PORT_ERROR_IN_USE: return EPortTest::InUse;
    default: return EPortTest::NotThere;
    }
}

bool TModemComm::DetectModemPort(bool testPort)
{
    m_eLastPortTest = EPortTest::NotThere;
    bool listOk = false;
    const AnsiString name = GetModemName();
    const bool listed = DeviceListed(name, listOk);
    if (!listOk)
        return false;  // the device list failed: leave the port alone
    bool result = false;
    // A device the list does not know is not a modem the search could take
    // up: counting it as present would only ask for a search that fails.
    if (listed && FindDeviceIndex(name) >= 0)
        result = IsRasConnected() || !testPort || TestNamedDevicePort(name);
    if (!result && IsPortOpen())
        ClosePort();
    return result;
}

bool TModemComm::TestDevicePort(const AnsiString& name)
{
    m_eLastPortTest = EPortTest::NotThere;
    bool listOk = false;
    return DeviceListed(name, listOk) && TestNamedDevicePort(name);
}
