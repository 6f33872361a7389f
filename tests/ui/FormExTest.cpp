#include <gtest/gtest.h>

#include <functional>

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyleHints>
#include <QTimer>

#include "UiTestSupport.h"
#include "WidgetTestSupport.h"
#include "ui/common/ModalResult.h"
#include "ui/common/TExFrame.h"
#include "ui/common/TExImage.h"
#include "ui/common/TFormEx.h"

using namespace uitest;

namespace {
// A borderless main window stand-in: 519 x 145 at (100, 100).
struct Owner : QWidget {
    Owner() : QWidget(nullptr, Qt::FramelessWindowHint) { setGeometry(100, 100, 519, 145); }
};

// A dialog whose own show handler moves it, as some dialogs do.
struct MovingDialog : TFormEx {
    using TFormEx::TFormEx;
    int shows = 0;
    void FormShow() override
    {
        ++shows;
        move(5, 5);
    }
};
}  // namespace

TEST(FormEx, OpensDockedUnderItsOwner)
{
    Owner owner;
    TFormEx dialog(&owner);
    EXPECT_EQ(dialog.pos(), QPoint(100, 245));
    EXPECT_EQ(dialog.width(), 519);
    EXPECT_EQ(dialog.height(), 272);
    EXPECT_EQ(dialog.OwnerForm(), &owner);
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    // The exit image sits at the right end, whatever the width.
    EXPECT_EQ(dialog.ExitImage()->geometry(), QRect(519 - 15, 1, 11, 11));
    dialog.ShowEx();
    Pump();
    EXPECT_EQ(dialog.pos(), QPoint(100, 245)) << "showing keeps the docked place";
    EXPECT_TRUE(dialog.isVisible());

    // Low on the screen it opens above the owner; with room neither below nor
    // above, as low as the screen lets it, the owner's buttons left free.
    const QRect area = dialog.screen()->availableGeometry();
    owner.move(100, area.bottom() - 160);
    dialog.DockUnderOwner(93);
    EXPECT_EQ(dialog.geometry().bottom() + 1, owner.y());
    owner.move(100, area.top() + area.height() / 2 - 150);
    dialog.resize(519, area.height() / 2 + 50);
    dialog.DockUnderOwner(93);
    EXPECT_EQ(dialog.geometry().bottom(), area.bottom());
    EXPECT_GE(dialog.y(), owner.y() + 93);
}

TEST(FormEx, OwnerCentredDialogsAreCentredAtEveryShow)
{
    Owner owner;
    MovingDialog dialog(&owner);
    dialog.resize(302, 106);
    dialog.SetCentreOnOwner(true);
    dialog.show();
    Pump();
    EXPECT_EQ(dialog.shows, 1);
    // (519 - 302) / 2 = 108, (145 - 106) / 2 = 19: over the show handler's place.
    EXPECT_EQ(dialog.pos(), QPoint(208, 119));
    dialog.hide();
    owner.move(300, 50);
    dialog.show();
    Pump();
    EXPECT_EQ(dialog.pos(), QPoint(408, 69));

    // Halves round toward zero and a negative place becomes 0.
    owner.setGeometry(0, 0, 101, 51);
    dialog.hide();
    dialog.show();
    EXPECT_EQ(dialog.pos(), QPoint(0, 0));
    owner.setGeometry(400, 300, 101, 51);
    dialog.resize(50, 20);
    dialog.hide();
    dialog.show();
    EXPECT_EQ(dialog.pos(), QPoint(400 + 25, 300 + 15));
}

TEST(FormEx, OwnerThatIsNoWindowLetsTheMainWindowCentre)
{
    Owner mainWindow;
    TFormEx::SetMainForm(&mainWindow);
    QWidget page(&mainWindow);
    page.setGeometry(10, 10, 50, 50);
    TFormEx dialog(&page);
    dialog.resize(119, 45);
    dialog.SetCentreOnOwner(true);
    dialog.show();
    EXPECT_EQ(dialog.pos(), QPoint(100 + 200, 100 + 50));
    TFormEx::SetMainForm(nullptr);
}

TEST(FormEx, TitleTextInBothStyles)
{
    TFormEx dialog(nullptr);
    EXPECT_EQ(dialog.TitleLabel()->text(), "#Caption");
    EXPECT_EQ(dialog.TitlePanelLabel()->text(), "#Caption");
    dialog.SetTitle("Settings");
    EXPECT_EQ(dialog.TitleLabel()->text(), "  Settings");
    EXPECT_EQ(dialog.TitlePanelLabel()->text(), "  Settings");
    dialog.SetTitleStyle(true);
    dialog.SetTitle("Einstellungen \xC3\xA4");
    EXPECT_EQ(dialog.TitlePanelLabel()->text(), QString::fromUtf8("  Einstellungen \xC3\xA4"));
    EXPECT_EQ(dialog.TitleLabel()->text(), QString::fromUtf8("  Einstellungen \xC3\xA4"));
    dialog.SetTitle("");
    EXPECT_EQ(dialog.TitleLabel()->text(), "  ");
}

TEST(FormEx, TitleStylesShowTheirOwnParts)
{
    TFormEx dialog(nullptr);
    EXPECT_TRUE(dialog.TitleLabel()->isVisibleTo(&dialog));
    EXPECT_TRUE(dialog.ExitImage()->isVisibleTo(&dialog));
    EXPECT_FALSE(dialog.TitlePanel()->isVisibleTo(&dialog));
    dialog.SetTitleStyle(true);
    EXPECT_FALSE(dialog.TitleLabel()->isVisibleTo(&dialog));
    EXPECT_FALSE(dialog.ExitImage()->isVisibleTo(&dialog));
    EXPECT_TRUE(dialog.TitlePanel()->isVisibleTo(&dialog));
    EXPECT_TRUE(dialog.TitlePanelExitImage()->isVisibleTo(&dialog));
    EXPECT_EQ(dialog.TitlePanel()->geometry(), QRect(0, 0, 588, 13));
    EXPECT_EQ(dialog.TitlePanelExitImage()->geometry(), QRect(588 - 14, 0, 11, 13));
}

TEST(FormEx, HiddenExitImagesStayHiddenInEitherStyle)
{
    for (bool panel : {false, true}) {
        TFormEx dialog(nullptr);
        dialog.SetTitleStyle(panel);
        dialog.HideExitButtons();
        EXPECT_FALSE(dialog.ExitImage()->isVisibleTo(&dialog));
        EXPECT_FALSE(dialog.TitlePanelExitImage()->isVisibleTo(&dialog));
        dialog.SetTitleStyle(!panel);
        EXPECT_FALSE(dialog.ExitImage()->isVisibleTo(&dialog));
        EXPECT_FALSE(dialog.TitlePanelExitImage()->isVisibleTo(&dialog));
        dialog.show();
        EXPECT_FALSE(dialog.ExitImage()->isVisible());
        EXPECT_FALSE(dialog.TitlePanelExitImage()->isVisible());
    }
}

TEST(FormEx, OnlyALeftDragOnTheTitleMovesTheWindow)
{
    for (bool panel : {false, true}) {
        TFormEx dialog(nullptr);
        dialog.SetTitleStyle(panel);
        dialog.resize(200, 100);
        dialog.move(200, 200);
        dialog.show();
        Pump();
        QLabel* title = panel ? dialog.TitlePanelLabel() : dialog.TitleLabel();
        for (Qt::MouseButton b : {Qt::RightButton, Qt::MiddleButton}) {
            Press(title, b, QPoint(30, 5));
            MoveHeld(title, b, QPoint(80, 35));
            Release(title, b, QPoint(80, 35));
            EXPECT_EQ(dialog.pos(), QPoint(200, 200)) << "button " << b;
            EXPECT_FALSE(dialog.IsDragging());
        }
        // A click, even one that wobbles a pixel, moves nothing, nor does the
        // pointer afterwards.
        Press(title, Qt::LeftButton, QPoint(30, 5));
        EXPECT_FALSE(dialog.IsDragging());
        MoveHeld(title, Qt::LeftButton, QPoint(31, 5));
        Release(title, Qt::LeftButton, QPoint(31, 5));
        MoveHeld(title, Qt::NoButton, QPoint(90, 45));
        EXPECT_EQ(dialog.pos(), QPoint(200, 200));
        EXPECT_FALSE(dialog.IsDragging());

        Press(title, Qt::LeftButton, QPoint(30, 5));
        MoveHeld(title, Qt::LeftButton, QPoint(50, 15));
        EXPECT_TRUE(dialog.IsDragging());
        EXPECT_EQ(dialog.pos(), QPoint(220, 210));
        MoveHeld(title, Qt::LeftButton, QPoint(30, 5));  // in the label's own, moved, coordinates
        EXPECT_EQ(dialog.pos(), QPoint(220, 210));
        Release(title, Qt::LeftButton, QPoint(30, 5));
        EXPECT_FALSE(dialog.IsDragging());
        MoveHeld(title, Qt::NoButton, QPoint(60, 5));
        EXPECT_EQ(dialog.pos(), QPoint(220, 210)) << "no drag after the release";

        // Dragged far past the screen's edges, the window stays whole on it.
        const QRect screen = dialog.screen()->availableVirtualGeometry();
        for (QPoint far : {QPoint(-5000, -5000), QPoint(5000, 5000)}) {
            Press(title, Qt::LeftButton, QPoint(30, 5));
            MoveHeld(title, Qt::LeftButton, far);
            Release(title, Qt::LeftButton, far);
            EXPECT_TRUE(screen.contains(dialog.frameGeometry())) << far.x();
        }
        dialog.move(200, 200);
    }
}

TEST(FormEx, ExitImageCancelsAndModalResultsKeepTheirNumbers)
{
    TFormEx dialog(nullptr);
    dialog.show();
    Press(dialog.ExitImage(), Qt::LeftButton);
    Release(dialog.ExitImage(), Qt::LeftButton);
    EXPECT_EQ(dialog.ModalResult(), mrCancel);
    EXPECT_FALSE(dialog.isVisible());

    for (int result : {mrOk, mrCancel, mrRetry, mrYes, mrNo}) {
        QTimer::singleShot(0, &dialog, [&dialog, result] { dialog.CloseWith(result); });
        EXPECT_EQ(dialog.exec(), result);
    }
    dialog.SetTitleStyle(true);
    QTimer::singleShot(0, &dialog, [&dialog] {
        Press(dialog.TitlePanelExitImage(), Qt::LeftButton);
        Release(dialog.TitlePanelExitImage(), Qt::LeftButton);
    });
    EXPECT_EQ(dialog.exec(), 2);
    EXPECT_EQ(mrOk, 1);
    EXPECT_EQ(mrCancel, 2);
    EXPECT_EQ(mrRetry, 4);
    EXPECT_EQ(mrYes, 6);
    EXPECT_EQ(mrNo, 7);
}

TEST(FormEx, WhatAClickOpenedTakesNoSecondClickOfItsDoubleClick)
{
    // Any widget, not just the skinned ones: the page shown by the first
    // click lies under the pointer when the second one comes.
    QStyleHints* hints = QGuiApplication::styleHints();
    hints->setMouseDoubleClickInterval(600000);
    TFormEx dialog(nullptr);
    QPushButton opener("Open", &dialog);
    opener.setGeometry(10, 40, 80, 24);
    QFrame page(&dialog);
    page.setGeometry(0, 30, 200, 100);
    QPushButton send("Send", &page);
    send.setGeometry(10, 10, 80, 24);
    page.hide();
    int sends = 0;
    QObject::connect(&opener, &QPushButton::clicked, [&page] { page.show(); page.raise(); });
    QObject::connect(&send, &QPushButton::clicked, [&sends] { ++sends; });
    dialog.show();
    ClickAt(&opener, true);
    EXPECT_TRUE(page.isVisible());
    EXPECT_EQ(sends, 0);
    Pump(550);  // past the longest blind time, however long the desktop's interval
    ClickAt(&send);
    EXPECT_EQ(sends, 1);
    hints->setMouseDoubleClickInterval(0);
}

TEST(FormEx, EnableAndDisableDirectChildren)
{
    TFormEx dialog(nullptr);
    auto* a = new QLineEdit(&dialog);
    auto* holder = new QWidget(&dialog);
    auto* nested = new QLineEdit(holder);
    dialog.DisableControls();
    EXPECT_FALSE(a->isEnabled());
    EXPECT_FALSE(holder->isEnabled());
    EXPECT_FALSE(nested->isEnabled());  // through its parent
    dialog.EnableControls();
    EXPECT_TRUE(a->isEnabled());
    EXPECT_TRUE(nested->isEnabled());
}

namespace {
// Counts its show handler; its locks and the action it runs are visible.
class ShowCountingForm : public TFormEx {
public:
    ShowCountingForm() : TFormEx(nullptr) {}
    using TFormEx::RunLocked;
    int shows = 0;
    int locks = 0;
    std::function<void()> duringShow;
    void Lock() override { ++locks; }
    void Unlock() override { --locks; }

protected:
    void FormShow() override
    {
        ++shows;
        if (duringShow)
            duringShow();
    }
};
}  // namespace

TEST(FormEx, OnlyAShowOutsideAnActionRefreshesTheWindowAndLocksNest)
{
    ShowCountingForm form;
    form.show();
    EXPECT_EQ(form.shows, 1);
    form.hide();

    // Shown again while one of its actions runs (a pump inside the action):
    // the action is not started anew.
    form.RunLocked(nullptr, [&form] {
        EXPECT_EQ(form.locks, 1);
        form.show();
        form.hide();
    });
    EXPECT_EQ(form.shows, 1);
    EXPECT_EQ(form.locks, 0);

    // A show nested in the show handler's own pump returns at once.
    form.duringShow = [&form] {
        form.hide();
        form.show();
    };
    form.show();
    EXPECT_EQ(form.shows, 2);
    form.duringShow = nullptr;
    form.hide();

    // Locks held by the owner and by an action of the window: the window is
    // free again only when both have let go, whatever the order.
    form.AddLock();
    form.RunLocked(nullptr, [] {});
    EXPECT_EQ(form.locks, 1);
    EXPECT_TRUE(form.IsLockHeld());
    form.RemoveLock();
    EXPECT_EQ(form.locks, 0);
    form.RemoveLock();
    EXPECT_EQ(form.locks, 0);
    EXPECT_FALSE(form.IsLockHeld());
}

TEST(ExFrame, PageFindsItsHostAndShowsAndHides)
{
    TFormEx dialog(nullptr);
    auto* holder = new QWidget(&dialog);
    auto* page = new TExFrame(holder);
    EXPECT_EQ(page->HostForm(), &dialog);
    page->HidePage();
    EXPECT_FALSE(page->isVisibleTo(&dialog));
    page->ShowPage();
    EXPECT_TRUE(page->isVisibleTo(&dialog));
    TExFrame orphan(nullptr);
    EXPECT_EQ(orphan.HostForm(), nullptr);
}
