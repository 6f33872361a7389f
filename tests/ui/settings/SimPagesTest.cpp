// The Security and SMS centre pages against the simulated SIM.
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>

#include "../dialogs/DialogTestSupport.h"
#include "SettingsFixture.h"
#include "ui/common/TLockCover.h"
#include "ui/common/TSkinButton.h"
#include "ui/dialogs/TPinQueryExForm.h"
#include "ui/settings/TExFrameSMS.h"
#include "ui/settings/TExFrmSecurity.h"

using namespace settingstest;

namespace {

class SimPages : public SettingsTest {
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        StartModem();
        MakeDialog();
        m_dialog->show();
        security = PageOf<TExFrmSecurity>(TFormExSettings::kSecurityPage);
        sms = PageOf<TExFrameSMS>(TFormExSettings::kSmsPage);
    }

    // The next PIN dialog gets `pin` and OK, or Cancel when pin is empty.
    static void AnswerPin(const QString& pin)
    {
        dlgtest::WhenModal<TPinQueryExForm>([pin](TPinQueryExForm* d) {
            EXPECT_EQ(d->GetMode(), 2);
            if (pin.isEmpty()) {
                d->m_pBCancel->click();
                return;
            }
            d->m_pEPin->setText(pin);
            d->m_pBOk->click();
        });
    }

    TExFrmSecurity* security = nullptr;
    TExFrameSMS* sms = nullptr;
};

TEST_F(SimPages, SecurityPageShowsAndSwitchesThePinRequest)
{
    m_card->SetPinRequest(true);
    m_dialog->ShowPage(TFormExSettings::kSecurityPage);
    EXPECT_TRUE(security->m_pRBEnable->isChecked());
    EXPECT_EQ(m_main.suspends, m_main.resumes);

    struct Case {
        bool wantOn;
        QString pin;
        int box;        // result text, 0 for none
        bool simAfter;  // the SIM's PIN request afterwards
        int why = 0;    // a second line of the result
    } cases[] = {
        {false, "1234", 229, false},       // switched off
        {true, "9999", 228, false, 500},   // wrong PIN (+CME ERROR: 16): stays off
        {true, "", 0, false},         // PIN dialog cancelled: read back, no box
        {true, "1234", 227, true},    // switched on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box);
        m_main.boxes.clear();
        (c.wantOn ? security->m_pRBEnable : security->m_pRBDisabled)->setChecked(true);
        AnswerPin(c.pin);
        security->m_pBUpdate->click();
        ASSERT_GE(m_main.boxes.size(), 1u);
        EXPECT_EQ(m_main.boxes[0].first, Text(231));
        EXPECT_EQ(m_main.boxes.size(), c.box == 0 ? 1u : 2u);
        if (c.box != 0 && m_main.boxes.size() == 2) {
            EXPECT_EQ(m_main.boxes[1].first, Text(c.box) + (c.why != 0 ? "\n" + Text(c.why) + "\nTries left: 2." : ""));
        }
        EXPECT_EQ(m_card->PinRequest(), c.simAfter);
        EXPECT_EQ(security->m_pRBEnable->isChecked(), c.simAfter);
        EXPECT_EQ(m_main.locked, 0);
        EXPECT_FALSE(m_dialog->WaitPanel()->isVisibleTo(m_dialog.get()));
    }

    // Wrong PINs until the SIM wants its PUK. Each refusal asks the PIN state
    // again; the last one tells the main window the PIN is no longer ok (it
    // asks for the PUK) once the page's box is closed, the page locks, and the
    // lock state the SIM no longer tells keeps showing "on".
    for (int attempt = 1; attempt <= 3; ++attempt) {
        SCOPED_TRACE(attempt);
        m_sim.ClearCommands();
        security->m_pRBDisabled->setChecked(true);
        AnswerPin("9999");
        security->m_pBUpdate->click();
        EXPECT_EQ(Sent("AT+CPIN?"), 1u);
        const std::string told = Text(500) + "\nTries left: " + std::to_string(3 - attempt) + ".";
        EXPECT_EQ(BoxTexts().back(), Text(230) + "\n" + (attempt < 3 ? told : Text(422) + "\n" + Text(310)));
        EXPECT_TRUE(security->m_pRBEnable->isChecked());
        EXPECT_EQ(m_main.pinOk, attempt < 3);
        EXPECT_EQ(m_main.boxesAtPinLost, attempt < 3 ? 0u : m_main.boxes.size());
        EXPECT_EQ(m_main.locked, 0);
    }
    EXPECT_EQ(m_card->GetPinState(), modemsim::SimModule::PinState::Puk);
    EXPECT_FALSE(security->m_pRBEnable->isEnabled());
    EXPECT_TRUE(security->BvlSpacer->isVisibleTo(security));
    m_card->SetPinState(modemsim::SimModule::PinState::Ready);
    m_card->SetPin("1234");
}

TEST_F(SimPages, SecurityQuestionAnsweredNoOnlyReadsTheStateBack)
{
    m_card->SetPinRequest(true);
    m_dialog->ShowPage(TFormExSettings::kSecurityPage);
    ASSERT_TRUE(security->m_pRBEnable->isChecked());
    m_sim.ClearCommands();
    security->m_pRBDisabled->setChecked(true);
    m_main.answers = {mrNo};
    security->m_pBUpdate->click();
    EXPECT_EQ(Sent("AT+CLCK"), 1u);
    EXPECT_EQ(Sent("AT+CLCK=\"SC\",2"), 1u);
    EXPECT_TRUE(security->m_pRBEnable->isChecked());
    EXPECT_EQ(m_main.boxes.size(), 1u);
    EXPECT_EQ(m_main.boxOverWait, std::vector<bool>{false}) << "no wait panel before the answer";

    // A read of the lock state that fails keeps the state shown before,
    // whether on showing the page or after the question.
    m_sim.SetAnswer("+CLCK=\"SC\",2", "\r\nERROR\r\n");
    m_dialog->ShowPage(TFormExSettings::kSmsPage);
    m_dialog->ShowPage(TFormExSettings::kSecurityPage);
    EXPECT_TRUE(security->m_pRBEnable->isChecked());
    security->m_pRBDisabled->setChecked(true);
    m_main.answers = {mrNo};
    security->m_pBUpdate->click();
    EXPECT_TRUE(security->m_pRBEnable->isChecked());
    EXPECT_EQ(m_comm->GetSimLockFlag(), 1);
    EXPECT_EQ(m_main.suspends, m_main.resumes);
}

TEST_F(SimPages, WithoutPinOrWithALinkThePagesAreLockedAndAskNothing)
{
    for (bool pin : {false, true}) {
        SCOPED_TRACE(pin);
        m_main.pinOk = pin;
        m_main.connected = pin;  // PIN ok but connected asks nothing either
        m_sim.ClearCommands();
        m_dialog->ShowPage(TFormExSettings::kSmsPage);
        m_dialog->ShowPage(TFormExSettings::kSecurityPage);
        EXPECT_EQ(Sent("AT+C"), 0u) << ::testing::PrintToString(m_sim.Commands());
        if (!pin) {
            EXPECT_FALSE(security->m_pRBEnable->isEnabled());
            EXPECT_FALSE(sms->m_pECenterNumber->isEnabled());
            EXPECT_TRUE(sms->BvlSpacer->isVisibleTo(sms));
        }
    }
}

TEST_F(SimPages, SmsCentreRoundTrip)
{
    m_card->SetServiceCentre("+491710760000");
    m_dialog->ShowPage(TFormExSettings::kSmsPage);
    EXPECT_EQ(sms->m_pECenterNumber->text().toStdString(), "+491710760000");
    EXPECT_TRUE(sms->m_pECenterNumber->isEnabled());

    // No: the edit returns to the number read last, nothing is written.
    sms->m_pECenterNumber->setText("+4911");
    m_main.answers = {mrNo};
    sms->m_pBUpdate->click();
    EXPECT_EQ(sms->m_pECenterNumber->text().toStdString(), "+491710760000");
    EXPECT_EQ(m_card->ServiceCentre(), "+491710760000");
    EXPECT_EQ(m_main.boxOverWait, std::vector<bool>{false}) << "no wait panel before the answer";

    sms->m_pECenterNumber->setText("+4917222");
    sms->m_pBUpdate->click();
    EXPECT_EQ(m_card->ServiceCentre(), "+4917222");
    EXPECT_EQ(BoxTexts().back(), Text(236));
    EXPECT_EQ(sms->m_pECenterNumber->text().toStdString(), "+4917222");

    // Refused or unanswered: the typed number stays, the port stays usable.
    m_sim.SetAnswer("+CSCA=\"+4900\"", "\r\nERROR\r\n");
    m_sim.SetSilentFor("+CSCA=\"+4955\"", true);
    for (const char* number : {"+4900", "+4955"}) {
        sms->m_pECenterNumber->setText(number);
        sms->m_pBUpdate->click();
        EXPECT_EQ(BoxTexts().back(), Text(237));
        EXPECT_EQ(sms->m_pECenterNumber->text().toStdString(), number);
        EXPECT_TRUE(m_comm->IsPortOpen());
        EXPECT_EQ(m_card->ServiceCentre(), "+4917222");
        EXPECT_EQ(m_main.locked, 0);
    }

    // No number (a write would clear the SIM's centre): refused before the
    // question and before anything is sent.
    for (const char* number : {"", "+"}) {
        SCOPED_TRACE(number);
        m_main.boxes.clear();
        m_sim.ClearCommands();
        sms->m_pECenterNumber->setText(number);
        sms->m_pBUpdate->click();
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{Text(308)});
        EXPECT_EQ(Sent("AT+CSCA"), 0u);
        EXPECT_EQ(m_card->ServiceCentre(), "+4917222");
        EXPECT_EQ(m_comm->GetSmsCentre(), "+4917222");
        EXPECT_EQ(m_main.locked, 0);
        EXPECT_EQ(m_main.suspends, m_main.resumes);
    }
}

// Numbers as people write them: pasted with blanks, typed with the trunk
// prefix "(0)" after the country code. Nothing changed: told, nothing asked.
TEST_F(SimPages, SmsCentreTakesNumbersAsPeopleWriteThem)
{
    m_card->SetServiceCentre("+491710760000");
    m_dialog->ShowPage(TFormExSettings::kSmsPage);
    QLineEdit* edit = sms->m_pECenterNumber;
    edit->selectAll();
    edit->insert("+44 20 7946 0001");
    sms->m_pBUpdate->click();
    EXPECT_EQ(m_card->ServiceCentre(), "+442079460001");
    edit->clear();
    for (QChar ch : QString("+44 (0)20 7946 0002")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(edit, &press);
    }
    EXPECT_EQ(edit->text().toStdString(), "+442079460002");
    sms->m_pBUpdate->click();
    EXPECT_EQ(m_card->ServiceCentre(), "+442079460002");

    m_main.boxes.clear();
    m_sim.ClearCommands();
    sms->m_pBUpdate->click();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{Text(430)});
    EXPECT_EQ(Sent("AT+CSCA="), 0u);

    m_dialog->ShowPage(TFormExSettings::kSecurityPage);
    m_main.boxes.clear();
    m_sim.ClearCommands();
    security->m_pBUpdate->click();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{Text(431)});
    EXPECT_EQ(Sent("AT+CLCK"), 0u);
    EXPECT_EQ(m_main.locked, 0);
    EXPECT_EQ(m_main.suspends, m_main.resumes);
}

TEST_F(SimPages, CentreNumberTakesDigitsPlusAndBackspaceOnly)
{
    QLineEdit* edit = sms->m_pECenterNumber;
    edit->clear();
    for (QChar ch : QString("a-1 +2x")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(edit, &press);
    }
    EXPECT_EQ(edit->text().toStdString(), "1+2");
    QKeyEvent back(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier, QString(QChar(8)));
    QCoreApplication::sendEvent(edit, &back);
    EXPECT_EQ(edit->text().toStdString(), "1+");
    // A paste of anything else goes no further than a typed key.
    edit->insert("49\";+CLCK");
    EXPECT_EQ(edit->text().toStdString(), "1+");
    edit->insert("4917");
    EXPECT_EQ(edit->text().toStdString(), "1+4917");
}

}  // namespace
