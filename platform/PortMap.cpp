#include "platform/PortMap.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>

namespace fs = std::filesystem;

namespace {

AnsiString ReadFirstLine(const fs::path& p)
{
    std::ifstream in(p);
    AnsiString line;
    if (in)
        std::getline(in, line);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == ' '))
        line.pop_back();
    return line;
}

std::vector<TComPortEntry> FromDeviceFolder(const fs::path& folder)
{
    std::vector<TComPortEntry> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        const AnsiString name = e.path().filename().string();
        if (name.find('.') != AnsiString::npos)
            continue;
        int n = ComNumberFromName(name);
        if (n <= 0)
            continue;
        std::error_code ec2;
        fs::path target = fs::read_symlink(e.path(), ec2);
        if (ec2)
            continue;
        if (target.is_relative())
            target = folder / target;
        TComPortEntry entry;
        entry.number = n;
        entry.device = target.string();
        entry.friendlyName = ReadFirstLine(folder / (name + ".name"));
        entry.driver = "simulated";
        out.push_back(entry);
    }
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.number < b.number; });
    return out;
}

std::mutex g_kernelMutex;
std::map<AnsiString, int> g_kernelNumbers;  // tty name -> COM number for this run

AnsiString UsbAttribute(const fs::path& ttyDevice, const char* attribute)
{
    // Walk up from the tty's device to the USB device that carries the strings.
    std::error_code ec;
    fs::path p = fs::canonical(ttyDevice, ec);
    if (ec)
        return {};
    for (int i = 0; i < 8 && p.has_parent_path(); ++i, p = p.parent_path()) {
        if (fs::exists(p / attribute, ec))
            return ReadFirstLine(p / attribute);
    }
    return {};
}

std::vector<TComPortEntry> FromKernel()
{
    std::vector<TComPortEntry> out;
    std::error_code ec;
    std::vector<AnsiString> ttys;
    for (const auto& e : fs::directory_iterator("/sys/class/tty", ec)) {
        const AnsiString name = e.path().filename().string();
        if (name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0)
            ttys.push_back(name);
    }
    std::sort(ttys.begin(), ttys.end());
    std::lock_guard<std::mutex> lock(g_kernelMutex);
    for (const auto& name : ttys) {
        auto it = g_kernelNumbers.find(name);
        if (it == g_kernelNumbers.end()) {
            int next = 3;  // COM1 and COM2 are the classic built-in ports
            for (const auto& kv : g_kernelNumbers)
                next = std::max(next, kv.second + 1);
            it = g_kernelNumbers.emplace(name, next).first;
        }
        const fs::path dev = fs::path("/sys/class/tty") / name / "device";
        TComPortEntry entry;
        entry.number = it->second;
        entry.device = "/dev/" + name;
        AnsiString product = UsbAttribute(dev, "product");
        entry.friendlyName = product.empty() ? name : product;
        std::error_code ec2;
        fs::path drv = fs::read_symlink(dev / "driver", ec2);
        if (!ec2)
            entry.driver = drv.filename().string();
        out.push_back(entry);
    }
    return out;
}

}  // namespace

int ComNumberFromName(const AnsiString& name)
{
    AnsiString s = name;
    if (s.rfind("\\\\.\\", 0) == 0)
        s = s.substr(4);
    if (s.size() < 4)
        return 0;
    auto upper = [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); };
    if (upper(s[0]) != 'C' || upper(s[1]) != 'O' || upper(s[2]) != 'M')
        return 0;
    int n = 0;
    for (size_t i = 3; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9' || n > 100000)
            return 0;
        n = n * 10 + (s[i] - '0');
    }
    return n;
}

std::vector<TComPortEntry> EnumerateComPorts()
{
    if (const char* folder = std::getenv(kDeviceDirEnv); folder != nullptr && *folder != '\0')
        return FromDeviceFolder(folder);
    return FromKernel();
}

AnsiString ResolveComPort(int number)
{
    for (const auto& e : EnumerateComPorts())
        if (e.number == number)
            return e.device;
    return {};
}

bool RegisterComPort(const AnsiString& folder, int number, const AnsiString& device, const AnsiString& friendlyName)
{
    std::error_code ec;
    fs::create_directories(folder, ec);
    const fs::path link = fs::path(folder) / ("COM" + std::to_string(number));
    fs::remove(link, ec);
    fs::create_symlink(device, link, ec);
    if (ec)
        return false;
    std::ofstream name(fs::path(folder) / ("COM" + std::to_string(number) + ".name"), std::ios::trunc);
    name << friendlyName << "\n";
    return static_cast<bool>(name);
}

bool UnregisterComPort(const AnsiString& folder, int number)
{
    std::error_code ec;
    const fs::path base = fs::path(folder) / ("COM" + std::to_string(number));
    bool removed = fs::remove(base, ec);
    fs::remove(fs::path(base.string() + ".name"), ec);
    return removed;
}
