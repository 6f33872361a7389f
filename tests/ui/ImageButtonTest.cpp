#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "WidgetTestSupport.h"
#include "ui/common/TExImage.h"
#include "ui/common/UiStyle.h"

using namespace uitest;

namespace {
const QColor kRed(200, 0, 0), kGreen(0, 160, 0), kBlue(0, 0, 180);
const QColor kWhite = BgrColor(0xFFFFFF), kGrey = BgrColor(0xA4A0A0);

struct Button {
    QWidget parent;
    TExImage* image;
    Button()
    {
        parent.resize(50, 50);
        image = new TExImage(&parent);
        image->setGeometry(10, 10, 11, 11);
        image->SetDrawBorders(true);
        image->SetDownPicture(Solid(kGreen));
        image->SetDisablePicture(Solid(kBlue));
        image->SetLeavePicture(Solid(kRed));
    }
    QColor Body() const { return PixelAt(image->ShownPicture(), 5, 5); }
    // The frame's left-top corner and right edge.
    QColor LeftTop() const { return PixelAt(image->ShownPicture(), 1, 1); }
    QColor Right() const { return PixelAt(image->ShownPicture(), 9, 5); }
};
}  // namespace

TEST(ExImage, FreshNormalPictureFillsTheOthers)
{
    TExImage image;
    image.SetLeavePicture(Solid(kRed));
    EXPECT_EQ(PixelAt(image.PictureDown(), 3, 3), kRed);
    EXPECT_EQ(PixelAt(image.PictureDisable(), 3, 3), kRed);
    EXPECT_EQ(PixelAt(image.ShownPicture(), 3, 3), kRed);
    // Pictures already there are kept.
    TExImage other;
    other.SetDownPicture(Solid(kGreen));
    other.SetLeavePicture(Solid(kRed));
    EXPECT_EQ(PixelAt(other.PictureDown(), 3, 3), kGreen);
}

TEST(ExImage, PressReleaseHoverCycle)
{
    Button b;
    int clicks = 0, enters = 0;
    QObject::connect(b.image, &TExImage::OnClick, [&] { ++clicks; });
    QObject::connect(b.image, &TExImage::OnMouseEnter, [&] { ++enters; });

    Enter(b.image);
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(b.Body(), kRed);
    EXPECT_EQ(b.LeftTop(), kWhite) << "raised frame on entry";
    EXPECT_EQ(b.Right(), kGrey);

    Press(b.image, Qt::LeftButton);
    EXPECT_EQ(b.Body(), kGreen);
    EXPECT_EQ(b.LeftTop(), kGrey) << "sunken frame while pressed";
    EXPECT_EQ(b.Right(), kWhite);
    EXPECT_FALSE(b.image->GetDownState());

    Release(b.image, Qt::LeftButton);
    EXPECT_EQ(b.Body(), kRed);
    EXPECT_EQ(b.LeftTop(), kWhite);
    EXPECT_EQ(clicks, 1);

    Leave(b.image);
    EXPECT_EQ(b.Body(), kRed);
    EXPECT_EQ(b.LeftTop(), kRed) << "no frame after leaving";
}

TEST(ExImage, FrameLinesStopJustBeforeTheirEndPoints)
{
    Button b;
    Enter(b.image);
    const QImage img = b.image->ShownPicture().toImage();
    EXPECT_EQ(img.pixelColor(1, 8), kWhite);  // left runs to y = H - 3
    EXPECT_EQ(img.pixelColor(1, 9), kGrey);   // bottom line from x = 1
    EXPECT_EQ(img.pixelColor(9, 9), kGrey);   // bottom runs to x = W - 2
    EXPECT_EQ(img.pixelColor(10, 9), kRed);
    EXPECT_EQ(img.pixelColor(8, 1), kWhite);  // top runs to x = W - 3
    EXPECT_EQ(img.pixelColor(0, 0), kRed);
}

TEST(ExImage, ReleaseOutsideChangesNothingButEdgesCountAsInside)
{
    Button b;
    int clicks = 0;
    QObject::connect(b.image, &TExImage::OnClick, [&] { ++clicks; });
    Press(b.image, Qt::LeftButton);
    Release(b.image, Qt::LeftButton, QPoint(30, 5));
    EXPECT_EQ(b.Body(), kGreen);
    EXPECT_EQ(b.LeftTop(), kGrey);
    EXPECT_EQ(clicks, 0);

    Press(b.image, Qt::LeftButton);
    Release(b.image, Qt::LeftButton, QPoint(11, 11));  // x = width, y = height
    EXPECT_EQ(b.Body(), kRed);
    EXPECT_EQ(b.LeftTop(), kWhite);
    EXPECT_EQ(clicks, 1);
}

TEST(ExImage, OtherButtonsAndSecondPressOfDoubleClickOnlyFireTheEvent)
{
    Button b;
    std::vector<Qt::MouseButton> downs;
    int clicks = 0;
    QObject::connect(b.image, &TExImage::OnMouseDown,
                     [&](Qt::MouseButton button, Qt::KeyboardModifiers, int, int) { downs.push_back(button); });
    QObject::connect(b.image, &TExImage::OnClick, [&] { ++clicks; });
    for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        Press(b.image, button);
        Release(b.image, button);
        EXPECT_EQ(b.Body(), kRed);
        EXPECT_EQ(b.LeftTop(), kRed);
    }
    EXPECT_EQ(downs.size(), 2u);
    EXPECT_EQ(downs.at(0), Qt::RightButton);

    Mouse(b.image, QEvent::MouseButtonDblClick, Qt::LeftButton, QPoint(5, 5), Qt::LeftButton);
    EXPECT_EQ(b.Body(), kRed);
    EXPECT_EQ(downs.size(), 3u);
    EXPECT_EQ(clicks, 0);
}

TEST(ExImage, ToggleOnlyWithAllowDown)
{
    Button b;
    b.image->SetDownState(true);
    EXPECT_FALSE(b.image->GetDownState());
    EXPECT_EQ(b.Body(), kRed);

    b.image->SetAllowDown(true);
    Press(b.image, Qt::LeftButton);
    Release(b.image, Qt::LeftButton);
    EXPECT_TRUE(b.image->GetDownState());
    EXPECT_EQ(b.Body(), kGreen) << "a down toggle keeps its pressed picture";
    Leave(b.image);
    EXPECT_EQ(b.Body(), kGreen);
    EXPECT_EQ(b.LeftTop(), kGrey);
    Press(b.image, Qt::LeftButton);
    Release(b.image, Qt::LeftButton);
    EXPECT_FALSE(b.image->GetDownState());
    b.image->SetDownState(true);
    EXPECT_TRUE(b.image->GetDownState());
}

TEST(ExImage, DisabledShowsItsPictureAndIgnoresTheMouse)
{
    Button b;
    int enters = 0, leaves = 0;
    QObject::connect(b.image, &TExImage::OnMouseEnter, [&] { ++enters; });
    QObject::connect(b.image, &TExImage::OnMouseLeave, [&] { ++leaves; });
    b.image->SetEnabled(false);
    EXPECT_EQ(b.Body(), kBlue);
    Enter(b.image);
    Leave(b.image);
    EXPECT_EQ(enters, 0);
    EXPECT_EQ(leaves, 0);
    EXPECT_EQ(b.LeftTop(), kBlue) << "no frame";
    b.image->SetEnabled(true);
    EXPECT_EQ(b.Body(), kRed);
}
