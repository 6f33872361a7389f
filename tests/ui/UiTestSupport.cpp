#include "UiTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QStyleHints>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <fstream>
#include <map>
#include <gtest/gtest.h>
#include <sstream>

#include "tests/ProcessTempDir.h"
#include "ui/common/TClickGuard.h"
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
        // Test clicks come faster than any user's: a button that came into
        // view by a click takes them at once unless a test sets an interval.
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(0);
    }
};
[[maybe_unused]] ::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

// Each test starts with a click guard that saw none of the clicks before it.
class GuardReset : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { TClickGuard::Reset(); }
};
[[maybe_unused]] const bool g_guardReset =
    (::testing::UnitTest::GetInstance()->listeners().Append(new GuardReset), true);
}  // namespace

std::filesystem::path FreshDir(const std::string& name)
{
    namespace fs = std::filesystem;
    fs::path dir = ProcessTempDir("qvx_ui_") / name;
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

bool PumpUntil(const std::function<bool()>& done, int milliseconds)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() >= milliseconds)
            return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
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

namespace {
std::string Describe(const QWidget* w, const QString& text, QSize need)
{
    // The nearest of the program's own classes names the place.
    const QWidget* owner = w->parentWidget();
    while (owner != nullptr && owner->metaObject()->className()[0] != 'T')
        owner = owner->parentWidget();
    return std::string(w->metaObject()->className()) + " in " +
           (owner != nullptr ? owner->metaObject()->className() : "-") + ": \"" + text.toStdString() +
           "\" needs " + std::to_string(need.width()) + "x" + std::to_string(need.height()) + ", has " +
           std::to_string(w->width()) + "x" + std::to_string(w->height());
}
}  // namespace

std::vector<std::string> TextsThatDoNotFit(const QWidget* root)
{
    std::vector<std::string> out;
    for (const QWidget* w : root->findChildren<const QWidget*>()) {
        if (const auto* label = qobject_cast<const QLabel*>(w)) {
            if (label->text().isEmpty())
                continue;
            QSize need = label->sizeHint();
            if (label->wordWrap())
                need = QSize(0, label->heightForWidth(label->width()));
            // A pixel of the line's leading may be cut; the glyphs are not.
            if (need.width() > label->width() || need.height() > label->height() + 1)
                out.push_back(Describe(label, label->text(), need));
        } else if (qobject_cast<const QCheckBox*>(w) != nullptr || qobject_cast<const QRadioButton*>(w) != nullptr) {
            const auto* box = static_cast<const QAbstractButton*>(w);
            // A box no wider than its mark shows its text in a label beside it.
            if (box->text().isEmpty() || box->width() < 20)
                continue;
            const QSize need = box->sizeHint();
            if (need.width() > box->width())
                out.push_back(Describe(box, box->text(), need));
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
            if (button->text().isEmpty())
                continue;
            // Skinned buttons draw their caption centred between two 8-px caps.
            QString caption = button->text();
            caption.remove(QLatin1Char('&'));
            const QFontMetrics fm(button->font());
            const QSize need(fm.horizontalAdvance(caption) + 2 * 4, fm.height());
            if (need.width() > button->width() || need.height() > button->height() + 2)
                out.push_back(Describe(button, button->text(), need));
        }
    }
    return out;
}

std::vector<std::string> LabelsNotPlain(const QWidget* root)
{
    std::vector<std::string> out;
    QList<const QWidget*> all = root->findChildren<const QWidget*>();
    all.prepend(root);
    for (const QWidget* w : all) {
        const auto* label = qobject_cast<const QLabel*>(w);
        // A label that only ever shows a picture has no text to misread.
        if (label != nullptr && label->pixmap().isNull() && label->textFormat() != Qt::PlainText)
            out.push_back(std::string("not plain: ") + Describe(label, label->text(), label->size()));
    }
    return out;
}

std::vector<std::string> TextsHardToRead(QWidget* window)
{
    const QImage shot = window->grab().toImage();
    std::vector<std::string> out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        QString text;
        QRect area = w->rect();
        if (const auto* label = qobject_cast<QLabel*>(w)) {
            text = label->text();
        } else if (qobject_cast<QCheckBox*>(w) != nullptr || qobject_cast<QRadioButton*>(w) != nullptr) {
            text = static_cast<QAbstractButton*>(w)->text();
        } else if (const auto* group = qobject_cast<QGroupBox*>(w)) {
            text = group->title();
            area.setHeight(group->fontMetrics().height());
        }
        // Greyed texts are meant to read as unavailable.
        if (text.isEmpty() || !w->isVisibleTo(window) || !w->isEnabled())
            continue;
        std::map<int, int> shades;
        const QRect r = QRect(w->mapTo(window, area.topLeft()), area.size()) & shot.rect();
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                ++shades[qGray(shot.pixel(x, y))];
        if (shades.empty())
            continue;
        const int back = std::max_element(shades.begin(), shades.end(), [](auto a, auto b) {
                             return a.second < b.second;
                         })->first;
        const int fore = qGray(w->palette().color(w->foregroundRole()).rgb());
        if (std::abs(fore - back) < 100)
            out.push_back(Describe(w, text, area.size()) + ", shade " + std::to_string(fore) + " on " +
                          std::to_string(back));
    }
    return out;
}

}  // namespace uitest
