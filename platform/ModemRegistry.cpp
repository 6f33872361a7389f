#include "platform/ModemRegistry.h"

#include "platform/PortMap.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>

namespace fs = std::filesystem;

namespace {

AnsiString Upper(AnsiString s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

AnsiString ReadAttribute(const fs::path& p)
{
    std::ifstream in(p);
    AnsiString line;
    if (in)
        std::getline(in, line);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
        line.pop_back();
    return line;
}

AnsiString TtyName(const AnsiString& device)
{
    return fs::path(device).filename().string();
}

AnsiString NormalisePath(AnsiString path)
{
    while (!path.empty() && path.front() == '\\')
        path.erase(path.begin());
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    return Upper(path);
}

// The names the last listing gave: a device keeps its " #n" while it stays,
// whatever its twins do, so the one in use is still found by its name.
struct TGivenName {
    AnsiString source, attachedTo, device, base, name;
};
std::mutex g_givenMutex;
std::vector<TGivenName> g_given;

void NameTwins(std::vector<TModemKey>& keys)
{
    const char* dir = std::getenv(kDeviceDirEnv);
    const AnsiString source = dir != nullptr ? dir : "";
    std::lock_guard<std::mutex> lock(g_givenMutex);
    std::vector<AnsiString> bases(keys.size());
    std::set<AnsiString> taken;
    for (size_t i = 0; i < keys.size(); ++i) {
        bases[i] = std::move(keys[i].friendlyName);
        keys[i].friendlyName.clear();
        for (const TGivenName& g : g_given)
            if (!bases[i].empty() && g.source == source && g.attachedTo == keys[i].attachedTo
                && g.device == keys[i].device && g.base == bases[i] && taken.insert(g.name).second) {
                keys[i].friendlyName = g.name;
                break;
            }
    }
    // Newcomers take the lowest free number, in port order.
    for (size_t i = 0; i < keys.size(); ++i) {
        if (bases[i].empty() || !keys[i].friendlyName.empty())
            continue;
        for (int n = 1; keys[i].friendlyName.empty(); ++n) {
            AnsiString name = n == 1 ? bases[i] : bases[i] + " #" + std::to_string(n);
            if (taken.insert(name).second)
                keys[i].friendlyName = std::move(name);
        }
    }
    g_given.clear();
    for (size_t i = 0; i < keys.size(); ++i)
        if (!bases[i].empty())
            g_given.push_back({source, keys[i].attachedTo, keys[i].device, bases[i], keys[i].friendlyName});
}

}  // namespace

bool IsModemTty(const AnsiString& driver, const AnsiString& interfaceProtocol)
{
    // Plain USB-to-serial adapters carry no modem.
    static const char* const adapters[] = {
        "ftdi_sio", "pl2303", "cp210x", "ch341", "ch341-uart", "ark3116", "mos7720", "mos7840",
        "oti6858", "spcp8x5", "ti_usb_3410_5052", "io_ti", "io_edgeport", "keyspan", "belkin_sa",
        "cypress_m8", "mct_u232", "kl5kusb105", "f81232", "f81534", "usb_debug", "garmin_gps", "ir-usb"};
    for (const char* a : adapters)
        if (driver == a)
            return false;
    // ACM devices without the AT command protocol are serial gadgets, not modems.
    if (driver == "cdc_acm" && interfaceProtocol == "00")
        return false;
    return true;
}

std::vector<TModemKey> EnumerateModemKeys()
{
    std::vector<TModemKey> out;
    for (const TComPortEntry& e : EnumerateComPorts()) {
        TModemKey key;
        const bool simulated = e.driver == "simulated";
        if (simulated) {
            key.friendlyName = e.friendlyName;
        } else {
            const fs::path sys = fs::path("/sys/class/tty") / TtyName(e.device) / "device";
            if (!IsModemTty(e.driver, ReadAttribute(sys / "bInterfaceProtocol")))
                continue;
            key.friendlyName = kGenericModemName;
            if (e.friendlyName != TtyName(e.device))
                key.product = e.friendlyName;
        }
        char sub[16];
        std::snprintf(sub, sizeof sub, "%04d", e.number);
        key.subkey = sub;
        key.attachedTo = "COM" + std::to_string(e.number);
        key.device = e.device;
        out.push_back(std::move(key));
    }
    NameTwins(out);
    return out;
}

bool TModemRegistry::OpenKeyReadOnly(const AnsiString& path)
{
    CloseKey();
    const AnsiString want = NormalisePath(path);
    const AnsiString classKey = NormalisePath(kModemClassKey);
    if (want == classKey) {
        m_keys = EnumerateModemKeys();
        m_open = -1;
        return true;
    }
    if (want.size() > classKey.size() + 1 && want.compare(0, classKey.size(), classKey) == 0
        && want[classKey.size()] == '\\') {
        const AnsiString sub = want.substr(classKey.size() + 1);
        std::vector<TModemKey> keys = EnumerateModemKeys();
        for (size_t i = 0; i < keys.size(); ++i) {
            if (Upper(keys[i].subkey) == sub) {
                m_keys = std::move(keys);
                m_open = static_cast<int>(i);
                return true;
            }
        }
    }
    return false;
}

void TModemRegistry::CloseKey()
{
    m_keys.clear();
    m_open = -2;
}

std::vector<AnsiString> TModemRegistry::GetKeyNames() const
{
    std::vector<AnsiString> names;
    if (m_open == -1)
        for (const auto& k : m_keys)
            names.push_back(k.subkey);
    return names;
}

bool TModemRegistry::ValueExists(const AnsiString& name) const
{
    if (m_open < 0)
        return false;
    const TModemKey& k = m_keys[static_cast<size_t>(m_open)];
    const AnsiString n = Upper(name);
    if (n == "FRIENDLYNAME")
        return !k.friendlyName.empty();
    if (n == "ATTACHEDTO")
        return !k.attachedTo.empty();
    return false;
}

AnsiString TModemRegistry::ReadString(const AnsiString& name) const
{
    if (!ValueExists(name))
        return {};
    const TModemKey& k = m_keys[static_cast<size_t>(m_open)];
    return Upper(name) == "FRIENDLYNAME" ? k.friendlyName : k.attachedTo;
}
