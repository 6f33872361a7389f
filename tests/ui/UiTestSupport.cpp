#include "UiTestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

#include "ui/common/UiStyle.h"

namespace uitest {

namespace {
class AppEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "test_ui";
        static char* argv[] = {name, nullptr};
        if (QApplication::instance() == nullptr)
            new QApplication(argc, argv);
        InstallFontSubstitutes();
    }
};
[[maybe_unused]] ::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new AppEnvironment);
}  // namespace

std::filesystem::path FreshDir(const std::string& name)
{
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("qvx_ui_" + std::to_string(::getpid())) / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

void WriteFile(const std::filesystem::path& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::filesystem::path BinDir()
{
    return std::filesystem::path(QVX_BIN_DIR);
}

LogCatcher::LogCatcher()
{
    m_old = SetUiLogHook([this](const AnsiString& line) { m_lines.push_back(line); });
}

LogCatcher::~LogCatcher()
{
    SetUiLogHook(m_old);
}

int LogCatcher::Count(const std::string& part) const
{
    int n = 0;
    for (const auto& l : m_lines)
        if (l.find(part) != std::string::npos)
            ++n;
    return n;
}

void Pump(int milliseconds)
{
    QElapsedTimer t;
    t.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (milliseconds > 0)
            QThread::msleep(2);
    } while (t.elapsed() < milliseconds);
}

}  // namespace uitest
