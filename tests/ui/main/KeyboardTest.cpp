// The keyboard over the program's windows as a whole: whatever takes the
// focused widget away (an action's lock, a page switch, a hide, a cover, a
// box), the user's next keys go into the field they were in, and none presses
// a button.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include "../UserInput.h"
#include "MainFrameFixture.h"
#include "communicator/sms/SmsStoreFile.h"
#include "ui/common/TSkinButton.h"
#include "ui/dialogs/TMsgBoxEx.h"
#include "ui/settings/TExFrameGPRS.h"
#include "ui/settings/TExFrameModem.h"
#include "ui/settings/TExFrameSMS.h"
#include "ui/settings/TExFrameSettings.h"
#include "ui/settings/TExFrmSecurity.h"
#include "ui/settings/TFormExSettings.h"
#include "ui/sms/TFormExSMS.h"
#include "ui/sms/TFormExSMSZoom.h"
#include "ui/sms/TSMSCreateEx.h"
#include "ui/sms/TSMSListEx.h"

using namespace maintest;
using uitest::Activate;
using uitest::ClickAsUser;

namespace {

// Every press of a button or image of the given windows, by its text; a
// check box or option is an entry, whose Space is typing.
class PressCounter {
public:
    explicit PressCounter(const std::vector<QWidget*>& windows)
    {
        // A docked window is also its owner's child: each control once.
        QSet<QAbstractButton*> buttons;
        QSet<TExImage*> images;
        for (QWidget* w : windows) {
            for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
                if (qobject_cast<QCheckBox*>(b) == nullptr && qobject_cast<QRadioButton*>(b) == nullptr)
                    buttons.insert(b);
            for (TExImage* i : w->findChildren<TExImage*>())
                images.insert(i);
        }
        for (QAbstractButton* b : buttons)
            m_links.push_back(QObject::connect(b, &QAbstractButton::clicked, [this, b] {
                m_pressed.push_back(b->text().isEmpty() ? b->metaObject()->className() : b->text().toStdString());
            }));
        for (TExImage* i : images)
            m_links.push_back(QObject::connect(i, &TExImage::OnClick, [this] { m_pressed.push_back("image"); }));
    }
    ~PressCounter()
    {
        for (const auto& l : m_links)
            QObject::disconnect(l);
    }
    const std::vector<std::string>& Pressed() const { return m_pressed; }

private:
    std::vector<QMetaObject::Connection> m_links;
    std::vector<std::string> m_pressed;
};

// Tab until the control has the focus, then Space, as a keyboard user does.
void PressByKey(QWidget* window, QWidget* control)
{
    ASSERT_TRUE(uitest::TabTo(control));
    QTest::keyClick(window->windowHandle(), Qt::Key_Space);
}

}  // namespace

TEST_F(MainFrameTest, AKeyMeantAsTypingNeverPressesAButton)
{
    // One message in each list, so that every Delete has something to delete.
    std::vector<SMS_TO_FILE_STRUCT> store(3);
    for (int status : {0, 1, 3}) {
        SMS_TO_FILE_STRUCT& r = store[status == 3 ? 2 : status];
        r.status = status;
        sms::SetSmsNumber(r, "+491715550100");
        sms::SetSmsText(r, u"Hello");
        r.date = 46000.5;
    }
    ASSERT_TRUE(sms::SaveSmsFile((m_program / sms::kSmsFileName).string(), store));
    ASSERT_TRUE(StartProgramWindow(m_frame, m_statusMs));
    auto* sms = static_cast<TFormExSMS*>(m_frame->DockedWindow(0));
    auto* settings = static_cast<TFormExSettings*>(m_frame->DockedWindow(1));
    // A box is answered by its Escape; a message opened by Enter is closed again.
    ModalAnswerer answer([](QWidget* modal) {
        if (auto* box = qobject_cast<TMsgBoxEx*>(modal))
            box->CloseWith(box->EscapeResult());
        else if (auto* zoom = qobject_cast<TFormExSMSZoom*>(modal))
            zoom->CloseButton()->click();
    });

    struct Page {
        TFormEx* window;
        MainButton opener;
        int index;
        std::function<QWidget*()> entry;
        const char* enterPresses = nullptr;  // the page's own button for Enter
    };
    const auto pageOf = [&](const Page& p) {
        return p.window == sms ? sms->Page(p.index) : settings->PageAt(p.index);
    };
    const auto pageButton = [&](TFormEx* w, int i) -> QWidget* {
        return w == sms ? sms->PageButton(i) : settings->PageButton(i);
    };
    const Page pages[] = {
        {sms, kSmsButton, 0, [&] { return sms->ComposePage()->TextMemo(); }},
        {sms, kSmsButton, 1, [&] { return sms->ListPage(1)->Grid(); }},
        {sms, kSmsButton, 2, [&] { return sms->ListPage(2)->Grid(); }},
        {sms, kSmsButton, 3, [&] { return sms->ListPage(3)->Grid(); }},
        {settings, kSettingsButton, TFormExSettings::kModemPage,
         [&] { return static_cast<TExFrameModem*>(settings->PageAt(0))->m_pRB_Automatic; }},
        {settings, kSettingsButton, TFormExSettings::kConnectionPage,
         [&] { return static_cast<TExFrameGPRS*>(settings->PageAt(1))->m_pEModemAPN; },
         "Save"},
        {settings, kSettingsButton, TFormExSettings::kSecurityPage,
         [&] { return static_cast<TExFrmSecurity*>(settings->PageAt(2))->m_pRBDisabled; }},
        {settings, kSettingsButton, TFormExSettings::kSmsPage,
         [&] { return static_cast<TExFrameSMS*>(settings->PageAt(3))->m_pECenterNumber; }},
        {settings, kSettingsButton, TFormExSettings::kApplicationPage,
         [&] { return static_cast<TExFrameSettings*>(settings->PageAt(4))->m_pCBLanguage; }},
    };
    const auto open = [&](const Page& p) {
        if (!p.window->isVisible())
            ClickAsUser(MainWindowButton(m_frame.get(), p.opener));
        ASSERT_TRUE(WaitFor([&] { return p.window->isVisible() && !m_frame->IsLocked(); }, 10000));
        ASSERT_TRUE(Activate(p.window));
    };
    const auto other = [](const Page& p) { return p.index == 1 ? 2 : 1; };
    const struct {
        const char* name;
        std::function<void(const Page&)> takeAway;
    } ways[] = {
        {"an action's lock", [&](const Page&) {
             m_frame->Lock();
             m_frame->Unlock();
         }},
        {"a page switch by click", [&](const Page& p) {
             ClickAsUser(pageButton(p.window, other(p)));
             ClickAsUser(pageButton(p.window, p.index));
         }},
        {"a page switch by key", [&](const Page& p) {
             PressByKey(p.window, pageButton(p.window, other(p)));
             PressByKey(p.window, pageButton(p.window, p.index));
         }},
        {"a hide and show", [&](const Page& p) {
             QTest::keyClick(p.window->windowHandle(), Qt::Key_Escape);
             ASSERT_TRUE(WaitFor([&] { return !p.window->isVisible(); }, 5000));
             open(p);
             ClickAsUser(pageButton(p.window, p.index));
         }},
        {"a cover and its removal", [&](const Page& p) {
             pageOf(p)->Lock();
             pageOf(p)->Unlock();
         }},
        {"a box over the window", [&](const Page& p) { m_frame->ShowMsgBox(p.window, "Box", 0); }},
    };
    int sends = 0;
    for (const Page& p : pages) {
        SCOPED_TRACE(std::string(p.window->metaObject()->className()) + " page " + std::to_string(p.index));
        open(p);
        ClickAsUser(pageButton(p.window, p.index));
        ASSERT_TRUE(WaitFor([&] { return pageOf(p)->isVisible() && !m_frame->IsLocked(); }, 10000));
        QWidget* entry = p.entry();
        if (auto* grid = qobject_cast<QTableWidget*>(entry))
            ClickAsUser(grid->viewport(), grid->visualItemRect(grid->item(0, 2)).center());
        else if (qobject_cast<QComboBox*>(entry) != nullptr)
            uitest::TabTo(entry);  // a click opens its list
        else
            ClickAsUser(entry);
        if (p.window == sms && p.index == 0) {
            ClickAsUser(sms->ComposePage()->NumberEdit());
            uitest::Type(sms, "0171 5550100");
            ClickAsUser(entry);
            uitest::Type(sms, "Third draft");
        }
        ASSERT_TRUE(entry->hasFocus()) << entry->isEnabled() << entry->isVisible() << " " << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "none") << " active " << (QApplication::activeWindow() ? QApplication::activeWindow()->metaObject()->className() : "none") << (QApplication::widgetAt(entry->mapToGlobal(entry->rect().center())) ? QApplication::widgetAt(entry->mapToGlobal(entry->rect().center()))->metaObject()->className() : "no");
        for (const auto& way : ways) {
            SCOPED_TRACE(way.name);
            open(p);
            way.takeAway(p);
            open(p);
            ASSERT_TRUE(WaitFor([&] { return pageOf(p)->isVisible() && !m_frame->IsLocked(); }, 10000));
            const size_t sent = m_sim.Commands().size();
            PressCounter presses({m_frame.get(), sms, settings});
            for (char c : std::string("x y"))
                QTest::keyClick(p.window->windowHandle(), c);
            QTest::keyClick(p.window->windowHandle(), Qt::Key_Return);
            std::vector<std::string> expected;
            if (p.enterPresses != nullptr)
                expected.push_back(p.enterPresses);
            EXPECT_EQ(presses.Pressed(), expected) << "a key pressed a button";
            // Back from a message that Enter opened, as the window manager does.
            ASSERT_TRUE(Activate(p.window));
            EXPECT_TRUE(entry->hasFocus()) << "the keys went elsewhere";
            if (auto* edit = qobject_cast<QLineEdit*>(entry); edit != nullptr && edit->validator() == nullptr)
                EXPECT_TRUE(edit->text().endsWith("x y")) << edit->text().toStdString();
            if (auto* memo = qobject_cast<QPlainTextEdit*>(entry))
                EXPECT_TRUE(memo->toPlainText().endsWith("x y\n")) << memo->toPlainText().toStdString();
            for (size_t i = sent; i < m_sim.Commands().size(); ++i)
                sends += m_sim.Commands()[i].rfind("AT+CMGS", 0) == 0;
        }
    }
    EXPECT_EQ(sends, 0);
    EXPECT_EQ(m_frame->ModemComm()->GetSmsStore().size(), 3u) << "no message deleted";
}
