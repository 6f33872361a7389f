#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "../WidgetTestSupport.h"
#include "DialogTestSupport.h"
#include "ui/common/ModalResult.h"
#include "ui/common/TExImage.h"
#include "ui/common/TSkinButton.h"
#include "ui/common/UiStyle.h"
#include "ui/dialogs/IPinActions.h"
#include "ui/dialogs/TMsgBoxEx.h"
#include "ui/dialogs/TPinQueryExForm.h"

using namespace dlgtest;

namespace {
struct Owner : QWidget {
    Owner() : QWidget(nullptr, Qt::FramelessWindowHint) { setGeometry(100, 100, 519, 145); }
};

void Type(QLineEdit* edit, const QString& text)
{
    for (QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(edit, &press);
    }
}

QColor Base(const QLineEdit* edit)
{
    return edit->palette().color(QPalette::Base);
}

// Answers the next message box, noting its text.
void AnswerBox(QString* seen)
{
    WhenModal<TMsgBoxEx>([seen](TMsgBoxEx* box) {
        *seen = box->m_pLMsgText->text();
        box->m_pBOk->click();
    });
}

struct FakeSim : IPinActions {
    bool portOpen = true;
    std::vector<int> answers;  // EnterPin results in turn
    std::vector<std::string> entered;
    std::vector<std::string> boxes;
    bool IsPortOpen() override { return portOpen; }
    int EnterPin(int mode, const AnsiString& pin, const AnsiString& puk) override
    {
        entered.push_back(std::to_string(mode) + ":" + pin + "/" + puk);
        const int r = answers.empty() ? 0 : answers.front();
        if (!answers.empty())
            answers.erase(answers.begin());
        return r;
    }
    int ShowMsgBox(const AnsiString& text, char) override
    {
        boxes.push_back(text);
        return mrOk;
    }
};

}  // namespace

TEST(PinQuery, ModesSetTheEditsAndTheOkButton)
{
    Languages lang("pin_modes");
    Owner owner;
    TPinQueryExForm d(&owner, lang.get());
    struct Case {
        int mode;
        bool pin, puk, ok;
    } cases[] = {{2, true, false, true}, {3, true, true, true}, {0, false, false, false},
                 {1, false, false, false}, {2, true, false, true}, {3, true, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        d.SetMode(c.mode);
        // Each edit is labelled for what it holds; in PUK mode the PUK comes first.
        EXPECT_EQ(d.m_pLPin->text(), c.mode == 3 ? "New PIN:" : "PIN:");
        EXPECT_EQ(d.m_pLPin->y(), d.m_pEPin->y());
        EXPECT_EQ(d.m_pLPuk->y(), d.m_pEPuk->y());
        EXPECT_EQ(d.m_pEPuk->y() < d.m_pEPin->y(), c.mode == 3);
        EXPECT_EQ(d.GetMode(), c.mode);
        EXPECT_EQ(d.m_pEPin->isEnabled(), c.pin);
        EXPECT_EQ(d.m_pEPuk->isEnabled(), c.puk);
        EXPECT_EQ(d.m_pBOk->isEnabled(), c.ok);
        EXPECT_EQ(Base(d.m_pEPuk), BgrColor(c.puk ? 0xFFFFFF : 0x808080));
        // Also after a mode without input the PIN edit looks as usable as it is.
        EXPECT_EQ(Base(d.m_pEPin), BgrColor(c.pin ? 0xFFFFFF : 0x808080));
    }
}

TEST(PinQuery, EditsHoldEightCharactersShownAsStars)
{
    Languages lang("pin_edits");
    TPinQueryExForm d(nullptr, lang.get());
    d.SetMode(3);
    for (QLineEdit* e : {d.m_pEPin, d.m_pEPuk}) {
        Type(e, "12345678x");
        EXPECT_EQ(e->text(), "12345678");
        EXPECT_EQ(e->displayText(), "********");
    }
    d.m_pEPin->setText("ab c");  // anything goes: the SIM judges
    EXPECT_EQ(d.GetPin(), "ab c");
    EXPECT_EQ(d.GetPuk(), "12345678");
}

TEST(PinQuery, EmptyPinIsRefusedWithItsMessageAndTheDialogStays)
{
    Languages lang("pin_empty");
    Owner owner;
    owner.show();
    TPinQueryExForm d(&owner, lang.get());
    d.SetMode(2);
    QString seen;
    WhenModal<TPinQueryExForm>([&](TPinQueryExForm* dlg) {
        AnswerBox(&seen);
        dlg->m_pBOk->click();  // the box runs inside this click
        EXPECT_TRUE(dlg->isVisible());
        EXPECT_EQ(dlg->focusWidget(), dlg->m_pEPin);
        dlg->m_pEPin->setText("1234");
        // Enter in the edit confirms, as OK does.
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QCoreApplication::sendEvent(dlg->m_pEPin, &enter);
        if (dlg->isVisible()) {
            ADD_FAILURE() << "Enter did not confirm";
            dlg->m_pBOk->click();
        }
    });
    EXPECT_EQ(d.exec(), mrOk);
    EXPECT_EQ(seen, "Please enter the PIN of your SIM card.");
    EXPECT_EQ(d.GetPin(), "1234");
}

TEST(PinQuery, PukModeWantsBothAndEmptiesBothOnRefusal)
{
    Languages lang("pin_puk");
    TPinQueryExForm d(nullptr, lang.get());
    d.SetMode(3);
    QString seen;
    WhenModal<TPinQueryExForm>([&](TPinQueryExForm* dlg) {
        dlg->m_pEPuk->setText("87654321");
        AnswerBox(&seen);
        dlg->m_pBOk->click();
        EXPECT_TRUE(dlg->m_pEPuk->text().isEmpty());
        EXPECT_TRUE(dlg->m_pEPin->text().isEmpty());
        EXPECT_EQ(dlg->focusWidget(), dlg->m_pEPuk);
        // Enter (also the keypad's) with the fields empty is refused as OK is.
        seen.clear();
        AnswerBox(&seen);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier, QStringLiteral("\r"));
        QCoreApplication::sendEvent(dlg->m_pEPuk, &enter);
        EXPECT_EQ(seen, "Please enter the PUK and a new PIN.");
        EXPECT_TRUE(dlg->isVisible());
        dlg->m_pBCancel->click();
    });
    EXPECT_EQ(d.exec(), mrCancel);
    EXPECT_EQ(seen, "Please enter the PUK and a new PIN.");
}

namespace {
const char* const kWrongPin = "The PIN is wrong. Three wrong PINs in a row block the SIM \r\ncard, which then asks for its PUK.";
const char* const kWrongPuk = "The PUK is wrong. Please try again.";
const char* const kNowBlocked = "The PIN is wrong.\nThe SIM card is now blocked and asks for its PUK.";

struct PinAnswer {
    int wantMode;
    QString pin, puk;
    bool ok;
};

// Answers the PIN dialogs in turn, one script entry per showing.
void AnswerPins(std::vector<PinAnswer> script)
{
    if (script.empty())
        return;
    WhenModal<TPinQueryExForm>([script](TPinQueryExForm* d) {
        const PinAnswer a = script.front();
        EXPECT_EQ(d->GetMode(), a.wantMode);
        EXPECT_TRUE(d->m_pEPin->text().isEmpty() && d->m_pEPuk->text().isEmpty());
        d->m_pEPin->setText(a.pin);
        d->m_pEPuk->setText(a.puk);
        AnswerPins(std::vector<PinAnswer>(script.begin() + 1, script.end()));
        (a.ok ? d->m_pBOk : d->m_pBCancel)->click();
    });
}

}  // namespace

TEST(PinQuery, AskPinRepeatsUntilTheSimAcceptsAndSwitchesToPuk)
{
    Languages lang("pin_ask");
    TPinQueryExForm d(nullptr, lang.get());
    FakeSim sim;
    // Wrong PIN (still wanted), wrong again (the SIM now wants the PUK), wrong PUK, right PUK.
    sim.answers = {2, 3, 3, 1};
    AnswerPins({{2, "1111", "", true},
                {2, "2222", "", true},
                {3, "4321", "11112222", true},
                {3, "4321", "12345678", true}});
    EXPECT_EQ(d.AskPin(sim, 2), 1);
    EXPECT_EQ(sim.entered, (std::vector<std::string>{"2:1111/", "2:2222/", "3:4321/11112222", "3:4321/12345678"}));
    EXPECT_EQ(sim.boxes, (std::vector<std::string>{kWrongPin, kNowBlocked, kWrongPuk}));
}

TEST(PinQuery, AskPinEndsOnCancelOrAClosedPort)
{
    Languages lang("pin_ask_end");
    TPinQueryExForm d(nullptr, lang.get());
    FakeSim sim;
    sim.answers = {0};  // the SIM state could not be read: told, and nothing more to ask
    AnswerPins({{3, "1", "2", true}});
    EXPECT_EQ(d.AskPin(sim, 3), 0);
    EXPECT_EQ(sim.entered.size(), 1u);
    EXPECT_EQ(sim.boxes, std::vector<std::string>{"The SIM card is missing or not ready. Please check the SIM card."});
    // Cancel with empty edits closes at once: no box about them, one about what was not entered.
    AnswerPins({{3, "", "", false}});
    EXPECT_EQ(d.AskPin(sim, 3), -1);
    EXPECT_EQ(sim.boxes.back().substr(0, 24), "The PUK was not entered,");

    sim.portOpen = false;
    sim.entered.clear();
    EXPECT_EQ(d.AskPin(sim, 2), -1) << "no dialog without an open port";
    EXPECT_TRUE(sim.entered.empty());

    // The exit image cancels too.
    sim.portOpen = true;
    WhenModal<TPinQueryExForm>([](TPinQueryExForm* dlg) {
        uitest::Press(dlg->ExitImage(), Qt::LeftButton);
        uitest::Release(dlg->ExitImage(), Qt::LeftButton);
    });
    EXPECT_EQ(d.AskPin(sim, 2), -1);
}
