#include "ui/settings/TExFrameSettings.h"

#include <QComboBox>
#include <QLabel>

#include "communicator/TModemComm.h"
#include "communicator/TrafficMath.h"
#include "platform/MessagePump.h"
#include "ui/common/ModalResult.h"
#include "ui/common/TLanguage.h"
#include "ui/common/TLockCover.h"
#include "ui/common/TSkinButton.h"
#include "ui/common/TUserAction.h"
#include "ui/common/UiStyle.h"
#include "ui/settings/TMainActions.h"

TExFrameSettings* ExFrameSettings = nullptr;

TExFrameSettings::TExFrameSettings(QWidget* owner, TLanguage* language, const QPixmap& background,
                                   TMainActions* main, TModemComm* modemComm)
    : TSettingsPage(owner, language, modemComm, main)
{
    resize(411, 323);
    Image1 = MakeBackground(background);
    Bevel2 = MakeBevel(14, 7, 379, 64);
    Bevel1 = MakeBevel(14, 77, 379, 162);
    m_pLLanguage = MakeLabel(21, 14, 120, 21);
    m_pCBLanguage = new QComboBox(this);
    m_pCBLanguage->setGeometry(27, 38, 214, 21);
    m_pCBLanguage->setFont(TahomaPx(11));
    m_pBOk = MakeButton(this, 251, 42, 134, 20);
    m_pLConnStatistic = MakeLabel(21, 84, 267, 21);

    QLabel** titles[] = {&m_pLConnStatStart, &m_pLDownTitle, &m_pLDownSpeedTitle,
                         &m_pLUpTitle, &m_pLUpSpeedTitle, &m_pLTimeUpTitle};
    QLabel** values[] = {&m_pLDate, &m_pLDown, &m_pLDownSpeed, &m_pLUp, &m_pLUpSpeed, &m_pLTimeUp};
    for (int i = 0; i < 6; ++i) {
        *titles[i] = MakeLabel(21, 105 + 16 * i, 120, 15);
        *values[i] = MakeLabel(243, 105 + 16 * i, 141, 15);
    }
    m_pLDownSpeed->setText("0 kbps");
    m_pLUpSpeed->setText("0 kbps");
    m_pLTimeUp->setText("00:00:00");

    m_pBReset = MakeButton(this, 178, 210, 206, 20);
    BvlSpacer = new TLockCover(this);
    connect(m_pBOk, &QAbstractButton::clicked, this, &TExFrameSettings::ChangeLang);
    connect(m_pBReset, &QAbstractButton::clicked, this, &TExFrameSettings::OnResetClick);
}

TExFrameSettings::~TExFrameSettings()
{
    if (ExFrameSettings == this)
        ExFrameSettings = nullptr;
}

void TExFrameSettings::ShowPage()
{
    // A part of the action that shows the page: never refused.
    const TUserAction lock(m_pMain, nullptr);
    m_pCBLanguage->clear();
    if (m_pLanguage != nullptr) {
        for (const AnsiString& name : m_pLanguage->GetLanguages())
            m_pCBLanguage->addItem(ToQ(name));
        m_pCBLanguage->setCurrentIndex(m_pLanguage->GetActiveLanguage());
    }
    SetHostTitle(239);
    UpdateStatistic();
    TExFrame::ShowPage();
}

void TExFrameSettings::ApplyLanguage()
{
    SetHostTitle(239);
    m_pLLanguage->setText(QText(240));
    m_pBOk->setText(QText(241));
    m_pLConnStatistic->setText(QText(257));
    m_pLConnStatStart->setText(QText(259));
    m_pLDownTitle->setText(QText(252));
    m_pLDownSpeedTitle->setText(QText(254));
    m_pLUpTitle->setText(QText(253));
    m_pLUpSpeedTitle->setText(QText(255));
    m_pLTimeUpTitle->setText(QText(256));
    m_pBReset->setText(QText(258));
}

void TExFrameSettings::ChangeLang()
{
    SetHostTitle(239);
    // A language file without sections offers nothing to change to.
    const int index = m_pCBLanguage->currentIndex();
    if (m_pLanguage == nullptr || index < 0)
        return;
    m_pLanguage->SetActiveLanguage(index);
    m_pMain->ApplyLanguage();
}

void TExFrameSettings::OnResetClick()
{
    if (m_pMain->ShowMsgBox(BoxOwner(), Text(260), 1) != mrYes)
        return;
    if (m_pModemComm != nullptr && m_pModemComm->GetStatistic() != nullptr) {
        TConStatistic* stat = m_pModemComm->GetStatistic();
        stat->SetStartDate(TConStatistic::Now());
        stat->SetDownloaded(0);
        stat->SetUploaded(0);
    }
    UpdateStatistic();
}

AnsiString TExFrameSettings::FormatTotal(double bytes)
{
    const AnsiString unit = TModemComm::FormatBytes(bytes);
    return FormatFixed2(bytes) + " " + unit;
}

void TExFrameSettings::UpdateStatistic()
{
    TConStatistic* stat = m_pModemComm != nullptr ? m_pModemComm->GetStatistic() : nullptr;
    if (stat == nullptr)
        return;
    AnsiString date;
    stat->GetStartDateText(date);
    m_pLDate->setText(ToQ(date));
    double down = 0, up = 0;
    stat->GetDownloaded(down);
    stat->GetUploaded(up);
    const QString downText = ToQ(FormatTotal(down));
    const QString upText = ToQ(FormatTotal(up));
    m_pLDown->setText(downText);
    m_pLUp->setText(upText);

    auto setMain = [this](TMainActions::TrafficLabel which, const QString& text) {
        if (QLabel* l = m_pMain->Traffic(which))
            l->setText(text);
    };
    ProcessMessages();
    if (m_pMain->IsConnected()) {
        AnsiString recv, recvSpeed, sent, sentSpeed, time;
        // A failed read leaves every figure at its last value: empty texts
        // would blank the traffic row for as long as the link lasts.
        if (!m_pModemComm->GetStatistics(recv, recvSpeed, sent, sentSpeed, time)) {
            ProcessMessages();
            return;
        }
        if (isVisible()) {
            m_pLDown->setText(ToQ(recv));
            m_pLUp->setText(ToQ(sent));
            m_pLDownSpeed->setText(ToQ(recvSpeed));
            m_pLUpSpeed->setText(ToQ(sentSpeed));
            m_pLTimeUp->setText(ToQ(time));
        }
        setMain(TMainActions::kDown, ToQ(recv));
        setMain(TMainActions::kUp, ToQ(sent));
        setMain(TMainActions::kDownSpeed, ToQ(recvSpeed));
        setMain(TMainActions::kUpSpeed, ToQ(sentSpeed));
        setMain(TMainActions::kTimeUp, ToQ(time));
    } else {
        setMain(TMainActions::kDown, downText);
        setMain(TMainActions::kUp, upText);
    }
    ProcessMessages();
}

void TExFrameSettings::OnUpdateStatistic(TMessage&)
{
    ProcessMessages();
    UpdateStatistic();
    ProcessMessages();
}

void TExFrameSettings::Dispatch(TMessage& message)
{
    if (message.Msg == WM_UPDATE_STATISTIC)
        OnUpdateStatistic(message);
}

void TExFrameSettings::Lock()
{
    const QRect g = Image1->geometry();
    BvlSpacer->setGeometry(g.left(), g.top(), g.width() - 10, g.height() - 10);
    BvlSpacer->raise();
    BvlSpacer->show();
    m_pCBLanguage->setEnabled(false);
    ProcessMessages();
}

void TExFrameSettings::Unlock()
{
    m_pCBLanguage->setEnabled(true);
    BvlSpacer->hide();
}
