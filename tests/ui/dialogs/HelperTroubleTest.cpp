#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include "../WidgetTestSupport.h"
#include "DialogTestSupport.h"
#include "ui/common/ModalResult.h"
#include "ui/common/TExFrame.h"
#include "ui/common/TExImage.h"
#include "ui/common/TSkinButton.h"
#include "ui/dialogs/TFormExConnectTrouble.h"
#include "ui/dialogs/TFormExHelper.h"
#include "ui/dialogs/TFormExAbout.h"
#include "ui/dialogs/TPinQueryExForm.h"
#include "ui/settings/TFormExSettings.h"
#include "ui/sms/TFormExSMS.h"
#include "ui/sms/TFormExSMSZoom.h"
#include "ui/sms/TSMSCreateEx.h"

using namespace dlgtest;

namespace {
struct Owner : QWidget {
    Owner() : QWidget(nullptr, Qt::FramelessWindowHint) { setGeometry(100, 100, 519, 145); }
};

// A page that tells what its host did with it.
struct Page : TExFrame {
    explicit Page(int* alive) : TExFrame(nullptr), m_alive(alive) { ++*m_alive; }
    ~Page() override { --*m_alive; }
    int shows = 0;
    int languages = 0;
    void ShowPage() override
    {
        ++shows;
        if (TFormEx* host = HostForm())
            host->SetTitle("Modem");
        TExFrame::ShowPage();
    }
    void ApplyLanguage() override { ++languages; }
    int* m_alive;
};
}  // namespace

TEST(Helper, HostsThePageAndItsExitImageRaisesTheAbortFlag)
{
    Owner owner;
    owner.show();
    int alive = 0;
    int aborts = 0;
    auto* page = new Page(&alive);
    {
        TFormExHelper helper(&owner, page, [&] { ++aborts; });
        EXPECT_EQ(page->parentWidget(), &helper);
        EXPECT_EQ(page->geometry(), QRect(0, TFormEx::kTitleHeight, 407, 289 - TFormEx::kTitleHeight));
        EXPECT_EQ(page->languages, 1);
        EXPECT_EQ(page->shows, 0);

        QString title;
        WhenModal<TFormExHelper>([&](TFormExHelper* h) {
            title = h->TitlePanelLabel()->text();
            uitest::Press(h->TitlePanelExitImage(), Qt::LeftButton);
            uitest::Release(h->TitlePanelExitImage(), Qt::LeftButton);
        });
        EXPECT_EQ(helper.exec(), mrCancel);
        EXPECT_EQ(page->shows, 1);
        EXPECT_EQ(title, "  Modem");
        EXPECT_EQ(aborts, 1);

        // Another way out (the page's own buttons) leaves the flag alone.
        WhenModal<TFormExHelper>([](TFormExHelper* h) { h->CloseWith(mrOk); });
        EXPECT_EQ(helper.exec(), mrOk);
        EXPECT_EQ(aborts, 1);
        EXPECT_EQ(page->shows, 2);
    }
    EXPECT_EQ(alive, 0) << "the page goes with the window";
}

TEST(ConnectTrouble, MessageKeepsTheFirstSentenceAndAddsTheCode)
{
    Languages lang("trouble_text");
    struct Case {
        int code;
        const char* text;
        const char* shown;
    } cases[] = {
        {678, "The remote computer did not respond. For further assistance, click More Info.",
         "The remote computer did not respond. Error Code: 678"},
        {5, "", "The connection could not be made."},
        {7, "No hint here ", "No hint here  Error Code: 7"},
        {9, " \t\r\nFor further help", " Error Code: 9"},
        {-1, "Twice. For further one. For further two.", "Twice. Error Code: -1"},
        {12, "\xc3\x9c" "ber. For further", "\xc3\x9c" "ber. Error Code: 12"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TFormExConnectTrouble::ComposeMessage(c.code, c.text, lang.get()), c.shown) << c.text;

    TFormExConnectTrouble d(nullptr, 678, cases[0].text, lang.get());
    EXPECT_EQ(d.m_pLText->text(), QString(cases[0].shown));
}

TEST(ConnectTrouble, EachButtonEndsWithItsResult)
{
    Languages lang("trouble_buttons");
    Owner owner;
    owner.show();
    TFormExConnectTrouble d(&owner, 1, "Text.", lang.get());
    const std::pair<TSkinButton*, int> cases[] = {
        {d.m_pBSettings, mrOk}, {d.m_pBTryAgain, mrRetry}, {d.m_pBTroubleShoot, mrNo}, {d.m_pBCancel, mrCancel}};
    for (auto [button, result] : cases) {
        WhenModal<TFormExConnectTrouble>([b = button](TFormExConnectTrouble*) { b->click(); });
        EXPECT_EQ(d.exec(), result) << button->text().toStdString();
    }
    WhenModal<TFormExConnectTrouble>([](TFormExConnectTrouble* t) {
        uitest::Press(t->ExitImage(), Qt::LeftButton);
        uitest::Release(t->ExitImage(), Qt::LeftButton);
    });
    EXPECT_EQ(d.exec(), mrCancel);
}

// Escape presses the close or Cancel button, Enter the default one (a PIN typed);
// Tab reaches every button that is not grey, which shows its focus, and Space or Enter press it.
TEST(Keyboard, EveryWindowAnswersEscapeEnterTabAndSpace)
{
    Languages lang("keyboard");
    int alive = 0, aborts = 0;
    TFormExAbout about(nullptr, lang.get(), lang.config.string());
    TPinQueryExForm pin(nullptr, lang.get());
    TFormExConnectTrouble trouble(nullptr, 1, "Text.", lang.get());
    TFormExSMSZoom zoom(nullptr, lang.get());
    TFormExHelper helper(nullptr, new Page(&alive), [&] { ++aborts; });
    TFormExSMS sms(nullptr, lang.get(), nullptr);
    TFormExSettings settings(nullptr, lang.get(), nullptr);
    const struct {
        TFormEx* window;
        int enter, escape;  // results; 0: Enter leaves the window open
        std::vector<QAbstractButton*> tabbed;
        int key, pressed;  // on the last tabbed button
    } cases[] = {
        {&about, mrCancel, mrCancel, {about.m_pBClose}, Qt::Key_Space, mrCancel},
        {&pin, mrOk, mrCancel, {pin.m_pBOk, pin.m_pBCancel}, Qt::Key_Space, mrCancel},
        {&trouble, mrRetry, mrCancel, {trouble.m_pBCancel, trouble.m_pBSettings}, Qt::Key_Return, mrOk},
        {&zoom, mrOk, mrOk, {zoom.CloseButton(), zoom.ReplyButton()}, Qt::Key_Space, mrRetry},
        {&helper, 0, mrCancel, {}, 0, 0},
        {&sms, 0, mrCancel, {sms.PageButton(1), sms.PageButton(3)}, 0, 0},  // Send is grey: no modem
        {&settings, 0, mrCancel, {settings.PageButton(1), settings.PageButton(4)}, 0, 0},
    };
    for (const auto& c : cases) {
        TFormEx* w = c.window;
        SCOPED_TRACE(w->metaObject()->className());
        const auto open = [w] {
            w->show();
            w->activateWindow();
            return uitest::WaitFor([w] { return w->isActiveWindow(); }, 5000);
        };
        for (auto [key, result] : {std::pair(Qt::Key_Return, c.enter), std::pair(Qt::Key_Escape, c.escape)}) {
            ASSERT_TRUE(open());
            QTest::keyClicks(nullptr, "1234");
            QTest::keyClick(w->windowHandle(), key);
            EXPECT_EQ(w->isVisible(), result == 0);
            EXPECT_EQ(w->result(), result);
        }
        ASSERT_TRUE(open());
        for (QAbstractButton* b : c.tabbed) {
            for (int i = 0; i < 40 && !b->hasFocus(); ++i)
                QTest::keyClick(w->windowHandle(), Qt::Key_Tab);
            ASSERT_TRUE(b->hasFocus()) << b->text().toStdString();
        }
        if (c.key == 0)
            continue;
        QAbstractButton* b = c.tabbed.back();
        const QImage focused = b->grab().toImage();
        b->clearFocus();
        EXPECT_NE(b->grab().toImage(), focused) << "the focus shows";
        b->setFocus();
        QTest::keyClick(w->windowHandle(), Qt::Key(c.key));
        EXPECT_EQ(w->result(), c.pressed);
    }
    EXPECT_EQ(aborts, 1) << "Escape leaves the helper window as its exit image does";
    // Also while its page works: the exit image is what cancels that.
    helper.show();
    helper.activateWindow();
    ASSERT_TRUE(uitest::WaitFor([&] { return helper.isActiveWindow(); }, 5000));
    helper.AddLock();
    QTest::keyClick(helper.windowHandle(), Qt::Key_Escape);
    helper.RemoveLock();
    EXPECT_EQ(aborts, 2);
    EXPECT_FALSE(helper.isVisible());
}
