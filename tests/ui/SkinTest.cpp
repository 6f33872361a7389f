#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QTest>

#include "UiTestSupport.h"
#include "WidgetTestSupport.h"
#include "ui/common/ProgramPaths.h"
#include "ui/common/TLockCover.h"
#include "ui/common/TPNGButton.h"
#include "ui/common/TSkin.h"
#include "ui/common/TSkinButton.h"
#include "ui/common/UiStyle.h"

using namespace uitest;

namespace {
// Counts pixels close to a colour inside a rectangle.
int CountNear(const QImage& img, const QRect& r, const QColor& c, int tolerance = 40)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor p = img.pixelColor(x, y);
            if (std::abs(p.red() - c.red()) <= tolerance && std::abs(p.green() - c.green()) <= tolerance &&
                std::abs(p.blue() - c.blue()) <= tolerance)
                ++n;
        }
    return n;
}

// Points the skin at a folder for one test and back at the program's afterwards.
struct SkinFolderFor {
    explicit SkinFolderFor(const QString& folder)
    {
        SetSkinFolder(folder);
        TSkin::ClearCache();
    }
    ~SkinFolderFor()
    {
        SetSkinFolder(QString());
        TSkin::ClearCache();
    }
};
}  // namespace

TEST(Skin, LoadedFromBesideTheProgramWithEveryPictureTheCodeNames)
{
    EXPECT_EQ(SkinFolder(), QCoreApplication::applicationDirPath() + "/skin");
    for (const char* name :
         {Skin::kTitleStrip, Skin::kTitlePlain, Skin::kExitNormal, Skin::kExitDown, Skin::kExitDisabled,
          Skin::kMinNormal, Skin::kMinDown, Skin::kMinDisabled, Skin::kFormBack, Skin::kPageBack, Skin::kMainBack,
          Skin::kSettingsLeft, Skin::kAboutBack, Skin::kPinBack, Skin::kZoomBack, Skin::kHelperBack,
          Skin::kTroubleBack, Skin::kWaitStripe, Skin::kStateOn, Skin::kStateOff})
        EXPECT_TRUE(TSkin::Has(name)) << name;
    for (const char* part : {"btn_left", "btn_center", "btn_right"})
        for (const char* state : {"", "_hover", "_down"})
            EXPECT_TRUE(TSkin::Has(QString(part) + state)) << part << state;
    // The sizes the windows are laid out for.
    EXPECT_EQ(TSkin::Picture(Skin::kExitNormal).size(), QSize(11, 11));
    EXPECT_EQ(TSkin::Picture(Skin::kButtonLeft).size(), QSize(8, 20));
    EXPECT_EQ(TSkin::Picture(Skin::kMainBack).size(), QSize(519, 145));
    EXPECT_EQ(TSkin::Picture(Skin::kPageBack).size(), QSize(407, 280));
}

TEST(Skin, MissingOrBrokenPictureGivesAPlainFillAndOneLogLine)
{
    const auto dir = FreshDir("skin_broken");
    WriteFile(dir / "exit_normal.png", "\x89PNG\r\n\x1a\n but nothing more");
    SkinFolderFor use(QString::fromStdString(dir.string()));
    LogCatcher log;
    for (const char* name : {"exit_normal", "no_such_picture"}) {
        const QPixmap p = TSkin::Picture(name, QSize(7, 5), QColor(1, 2, 3));
        EXPECT_EQ(p.size(), QSize(7, 5)) << name;
        EXPECT_EQ(PixelAt(p, 3, 2), QColor(1, 2, 3)) << name;
        EXPECT_FALSE(TSkin::Has(name));
        TSkin::Picture(name);
        EXPECT_EQ(log.Count(name), 1) << name;
    }
    // Windows built without their skin still build.
    TSkinButton button(QStringLiteral("OK"), nullptr);
    button.resize(78, 20);
    EXPECT_FALSE(button.grab().isNull());
}

TEST(SkinButton, ThreePicturesAndAWhiteCaption)
{
    TSkinButton button(QStringLiteral("&Cancel"), nullptr);
    button.resize(120, 20);
    const QImage img = button.grab().toImage();
    const QImage left = TSkin::Picture(Skin::kButtonLeft).toImage();
    const QImage right = TSkin::Picture(Skin::kButtonRight).toImage();
    // Rows clear of the rounded, half-transparent rim.
    for (int y : {4, 10, 15}) {
        EXPECT_EQ(img.pixelColor(2, y), left.pixelColor(2, y)) << y;
        EXPECT_EQ(img.pixelColor(117, y), right.pixelColor(5, y)) << y;
    }
    EXPECT_GT(CountNear(img, QRect(20, 2, 80, 16), Qt::white), 10);
    EXPECT_EQ(button.focusPolicy(), Qt::TabFocus) << "Tab reaches it";
}

TEST(SkinButton, LockedLookAndCover)
{
    QWidget parent;
    parent.resize(200, 100);
    parent.show();
    auto* button = new TSkinButton(QStringLiteral("Apply"), &parent);
    button->setGeometry(50, 40, 78, 20);
    button->show();
    auto* sibling = new QWidget(&parent);  // created later, so in front until the cover comes
    sibling->setGeometry(0, 0, 10, 10);
    int clicks = 0;
    QObject::connect(button, &QAbstractButton::clicked, [&] { ++clicks; });

    button->Lock();
    EXPECT_EQ(button->CaptionColour(), BgrColor(0x808080));
    ASSERT_NE(button->Cover(), nullptr);
    EXPECT_TRUE(button->Cover()->isVisibleTo(&parent));
    EXPECT_EQ(button->Cover()->geometry(), QRect(47, 37, 84, 26));
    EXPECT_EQ(parent.childAt(89, 50), button->Cover());
    EXPECT_EQ(parent.childAt(48, 38), button->Cover());
    // A press on the cover does not reach the button, nor does a key.
    Press(button->Cover(), Qt::LeftButton, QPoint(40, 12));
    Release(button->Cover(), Qt::LeftButton, QPoint(40, 12));
    QTest::keyClick(button, Qt::Key_Space);
    QTest::keyClick(button, Qt::Key_Return);
    EXPECT_EQ(clicks, 0);
    const QImage locked = button->grab().toImage();
    EXPECT_EQ(CountNear(locked, QRect(10, 2, 58, 16), Qt::white, 20), 0);

    button->move(60, 40);
    EXPECT_EQ(button->Cover()->geometry(), QRect(57, 37, 84, 26)) << "the cover follows the button";

    button->Unlock();
    EXPECT_EQ(button->CaptionColour(), BgrColor(0xFFFFFF));
    EXPECT_FALSE(button->Cover()->isVisibleTo(&parent));
    EXPECT_EQ(parent.childAt(99, 50), button);
    Press(button, Qt::LeftButton);
    Release(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}

TEST(PNGButton, HoverPictureAndDisabledLook)
{
    TPNGButton button;
    button.resize(71, 71);
    button.SetImageNormal(Solid(Qt::red, 48, 48));
    button.SetImageOver(Solid(Qt::green, 48, 48));
    button.setText(QStringLiteral("Connect"));
    EXPECT_EQ(PixelAt(button.CurrentImage(), 5, 5), QColor(Qt::red));
    Enter(&button);
    EXPECT_EQ(PixelAt(button.CurrentImage(), 5, 5), QColor(Qt::green));
    Leave(&button);
    EXPECT_EQ(PixelAt(button.CurrentImage(), 5, 5), QColor(Qt::red));
    int clicks = 0;
    QObject::connect(&button, &QAbstractButton::clicked, [&] { ++clicks; });
    Press(&button, Qt::LeftButton, QPoint(30, 30));
    Release(&button, Qt::LeftButton, QPoint(30, 30));
    EXPECT_EQ(clicks, 1);
    // The second press of a double click is no second click (SMS and Settings
    // would hide what the first one showed, Disconnect would dial again).
    Mouse(&button, QEvent::MouseButtonDblClick, Qt::LeftButton, QPoint(30, 30), Qt::LeftButton);
    Release(&button, Qt::LeftButton, QPoint(30, 30));
    EXPECT_EQ(clicks, 1);
    button.setEnabled(false);
    EXPECT_NE(PixelAt(button.CurrentImage(), 5, 5), QColor(Qt::red));
    const QImage img = button.grab().toImage();
    EXPECT_GT(CountNear(img, QRect(0, 50, 71, 21), BgrColor(0x808080), 30), 0) << "grey caption";
}
