#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTextStream>
#include <QCursor>
#include <QWindow>

#include "SampleDialog.h"
#include "UiTestSupport.h"
#include "WidgetTestSupport.h"
#include "ui/common/ModalResult.h"
#include "ui/common/TExImage.h"
#include "ui/common/TSkin.h"
#include "ui/common/UiStyle.h"

using namespace uitest;
namespace fs = std::filesystem;

namespace {
// The main window stand-in: the dark main skin, borderless.
struct MainStandIn : QLabel {
    MainStandIn() : QLabel(nullptr, Qt::FramelessWindowHint)
    {
        setPixmap(TSkin::Picture(Skin::kMainBack, QSize(519, 145)));
        setGeometry(20, 20, 519, 145);
    }
};

struct Languages {
    fs::path config;
    std::unique_ptr<TLanguage> table;
    explicit Languages(const std::string& name)
    {
        config = FreshDir(name) / "Config.ini";
        table = std::make_unique<TLanguage>((BinDir() / "Language.ini").string(), config.string());
    }
};

QString Plain(const QString& caption)
{
    QString s = caption;
    return s.remove('&');
}
}  // namespace

TEST(SampleDialog, OpensDockedAndSwitchesLanguageAtOnce)
{
    Languages lang("sample_switch");
    MainStandIn owner;
    owner.show();
    TSampleDialog dialog(&owner, lang.table.get());
    EXPECT_EQ(dialog.geometry(), QRect(20, 165, 519, 200));
    dialog.ShowEx();
    Pump();
    EXPECT_EQ(dialog.pos(), QPoint(20, 165));
    EXPECT_EQ(dialog.TitlePanelLabel()->text(), "  Settings - Application");
    EXPECT_EQ(Plain(dialog.m_pBOk->text()), "OK");
    EXPECT_EQ(Plain(dialog.m_pBCancel->text()), "Cancel");
    EXPECT_EQ(dialog.m_pPage->m_pCBLanguage->count(), 2);

    dialog.m_pPage->m_pCBLanguage->setCurrentIndex(1);
    Press(dialog.m_pPage->m_pBChange, Qt::LeftButton);
    Release(dialog.m_pPage->m_pBChange, Qt::LeftButton);
    EXPECT_EQ(dialog.TitlePanelLabel()->text(), "  Einstellungen - Programm");
    EXPECT_EQ(Plain(dialog.m_pBCancel->text()), "Abbrechen");
    EXPECT_EQ(dialog.m_pPage->m_pLLanguage->text(), "Sprache");
    EXPECT_EQ(lang.table->GetActiveLanguage(), 1);
    EXPECT_NE(ReadFile(lang.config).find("ActiveLanguage=1"), std::string::npos);

    dialog.m_pPage->m_pCBLanguage->setCurrentIndex(0);
    dialog.m_pPage->ChangeLang();
    EXPECT_EQ(dialog.TitlePanelLabel()->text(), "  Settings - Application");

    dialog.Lock();
    EXPECT_TRUE(dialog.m_pBOk->IsLocked());
    dialog.Unlock();
    Press(dialog.m_pBOk, Qt::LeftButton);
    Release(dialog.m_pBOk, Qt::LeftButton);
    EXPECT_EQ(dialog.ModalResult(), mrOk);
}

// The screenshot: the sample dialog on a real X server, checked for its title
// strip, its exit image and a captioned button. The picture stays under build/.
namespace {
const char* const kChildEnv = "QVX_UI_SCREENSHOT";

QColor Px(const QImage& img, QPoint p)
{
    return img.pixelColor(p);
}

bool Near(const QColor& a, const QColor& b, int tolerance = 6)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

int CountBright(const QImage& img, const QRect& r)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.red() > 200 && c.green() > 200 && c.blue() > 200)
                ++n;
        }
    return n;
}

QRect ReadRect(QTextStream& in)
{
    int x, y, w, h;
    in >> x >> y >> w >> h;
    return QRect(x, y, w, h);
}
}  // namespace

// Runs only inside the X server the test below starts.
TEST(SampleScreenshot, DISABLED_Child)
{
    const QByteArray out = qgetenv(kChildEnv);
    ASSERT_FALSE(out.isEmpty());
    QCursor::setPos(790, 590);
    Languages lang("sample_child");
    MainStandIn owner;
    owner.show();
    TSampleDialog dialog(&owner, lang.table.get());
    dialog.ShowEx();
    for (int i = 0; i < 50 && !(dialog.windowHandle() && dialog.windowHandle()->isExposed()); ++i)
        Pump(20);
    Pump(300);
    const QImage shot = dialog.screen()->grabWindow(0).toImage();
    ASSERT_FALSE(shot.isNull());
    ASSERT_TRUE(shot.save(QString::fromLocal8Bit(out), "PNG"));
    QFile geo(QString::fromLocal8Bit(out) + ".txt");
    ASSERT_TRUE(geo.open(QIODevice::WriteOnly));
    QTextStream ts(&geo);
    auto put = [&ts](const QRect& r) { ts << r.x() << ' ' << r.y() << ' ' << r.width() << ' ' << r.height() << '\n'; };
    put(dialog.frameGeometry());
    auto* exit = dialog.TitlePanelExitImage();
    put(QRect(exit->mapToGlobal(QPoint(0, 0)), exit->size()));
    put(QRect(dialog.m_pBOk->mapToGlobal(QPoint(0, 0)), dialog.m_pBOk->size()));
}

TEST(SampleScreenshot, ShowsTitleStripExitImageAndCaptionedButton)
{
    const QString xvfb = QStandardPaths::findExecutable("xvfb-run");
    if (xvfb.isEmpty())
        GTEST_SKIP() << "xvfb-run is not installed";
    const fs::path dir = BinDir().parent_path() / "test-artifacts";
    fs::create_directories(dir);
    const QString png = QString::fromStdString((dir / "ui-sample-dialog.png").string());
    QFile::remove(png);

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert(kChildEnv, png);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(xvfb, {"-a", "-s", "-screen 0 800x600x24", QCoreApplication::applicationFilePath(),
                       "--gtest_also_run_disabled_tests", "--gtest_filter=SampleScreenshot.DISABLED_Child"});
    ASSERT_TRUE(child.waitForFinished(60000)) << "the child did not finish";
    const QString output = QString::fromLocal8Bit(child.readAll());
    ASSERT_EQ(child.exitCode(), 0) << output.toStdString();

    QImage shot(png);
    ASSERT_FALSE(shot.isNull()) << output.toStdString();
    shot = shot.convertToFormat(QImage::Format_RGB32);
    QFile geo(png + ".txt");
    ASSERT_TRUE(geo.open(QIODevice::ReadOnly));
    QTextStream in(&geo);
    const QRect dialog = ReadRect(in);
    const QRect exit = ReadRect(in);
    const QRect ok = ReadRect(in);
    ASSERT_EQ(dialog, QRect(20, 165, 519, 200)) << "docked under the main window";

    // The title strip: the strip picture across the top, white title text in it.
    const QImage strip = TSkin::Picture(Skin::kTitleStrip).toImage();
    for (int y = 0; y < 13; ++y)
        EXPECT_TRUE(Near(Px(shot, QPoint(dialog.x() + 400, dialog.y() + y)), strip.pixelColor(16, y)))
            << "strip row " << y;
    EXPECT_GT(CountBright(shot, QRect(dialog.x(), dialog.y(), 200, 13)), 20) << "title text";

    // The exit image, centred in its 11 x 13 place at the strip's right end.
    const QImage cross = TSkin::Picture(Skin::kExitNormal).toImage();
    ASSERT_EQ(exit.size(), QSize(11, 13));
    EXPECT_LT(exit.right(), dialog.right());
    EXPECT_GT(exit.x(), dialog.x() + dialog.width() - 30);
    int same = 0;
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 11; ++x)
            same += Near(Px(shot, exit.topLeft() + QPoint(x, y + 1)), cross.pixelColor(x, y)) ? 1 : 0;
    EXPECT_EQ(same, 121) << "exit picture";

    // The OK button: its caps and a white caption between them.
    const QImage left = TSkin::Picture(Skin::kButtonLeft).toImage();
    const QImage right = TSkin::Picture(Skin::kButtonRight).toImage();
    for (int y : {2, 10, 17}) {
        EXPECT_TRUE(Near(Px(shot, ok.topLeft() + QPoint(3, y)), left.pixelColor(3, y))) << "left cap " << y;
        EXPECT_TRUE(Near(Px(shot, ok.topLeft() + QPoint(ok.width() - 4, y)), right.pixelColor(4, y)))
            << "right cap " << y;
    }
    EXPECT_GT(CountBright(shot, ok.adjusted(8, 2, -8, -2)), 10) << "caption";
}
