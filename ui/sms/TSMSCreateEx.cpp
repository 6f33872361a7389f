#include "ui/sms/TSMSCreateEx.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <algorithm>

#include "communicator/TModemComm.h"
#include "communicator/sms/GsmAlphabet.h"
#include "communicator/sms/SmsNumber.h"
#include "platform/MessagePump.h"
#include "ui/common/ProgramPaths.h"
#include "ui/common/TConfigFile.h"
#include "ui/common/TFocusGuard.h"
#include "ui/common/TLockCover.h"
#include "ui/common/TSkinButton.h"
#include "ui/common/TUserAction.h"
#include "ui/common/UiStyle.h"
#include "ui/dialogs/DialogText.h"
#include "ui/sms/SmsUiText.h"
#include "ui/sms/TFormExSMS.h"

TSMSCreateEx::TSMSCreateEx(QWidget* owner, TLanguage* language, TModemComm* modemComm, const QPixmap& background)
    : TExFrame(owner), m_pLanguage(language), m_pModemComm(modemComm)
{
    resize(407, 280);
    SetBackColour(this, BgrColor(0xFAF8FE));

    Image1 = new QLabel(this);
    Image1->setScaledContents(true);
    Image1->setPixmap(background);
    Image1->setGeometry(rect());
    Image1->installEventFilter(this);

    Bevel1 = new QFrame(this);
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(14, 7, 379, 260);

    const QFont tahoma = TahomaPx(11);
    m_pLPhoneNumber = MakeLabel(this, QRect(21, 14, 218, 21), tahoma);
    m_pEPhoneNum = new QLineEdit(this);
    m_pEPhoneNum->setGeometry(21, 35, 204, 22);
    m_pEPhoneNum->setFont(NamedFontPx("Courier New", 11));
    SetFieldColour(m_pEPhoneNum, BgrColor(0xFAF8FE));
    connect(m_pEPhoneNum, &QLineEdit::textEdited, this, &TSMSCreateEx::OnNumbersCheck);

    m_pCBxExLang = new QCheckBox(this);
    m_pCBxExLang->setGeometry(21, 63, 218, 22);
    m_pCBxExLang->setFont(tahoma);
    m_pLInsertText = MakeLabel(this, QRect(21, 84, 155, 21), tahoma);
    m_pLCounter = MakeLabel(this, QRect(333, 84, 50, 21), NamedFontPx("MS Sans Serif", 11));
    m_pLCounter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Why the page is grey while a link is up.
    m_pLLinkNote = MakeLabel(this, QRect(240, 14, 146, 68), tahoma);
    m_pLLinkNote->setWordWrap(true);
    m_pLLinkNote->hide();

    m_pMText = new QPlainTextEdit(this);
    m_pMText->setGeometry(21, 105, 364, 127);
    m_pMText->setFont(tahoma);
    m_pMText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pMText->setTabChangesFocus(true);
    SetFieldColour(m_pMText, BgrColor(0xFAF8FE));
    m_pMText->installEventFilter(this);
    connect(m_pMText, &QPlainTextEdit::textChanged, this, &TSMSCreateEx::OnMessageChange);

    m_pBSend = new TSkinButton(this);
    m_pBSend->setGeometry(21, 238, 172, 20);
    m_pBSend->setFont(tahoma);
    connect(m_pBSend, &QAbstractButton::clicked, this, &TSMSCreateEx::OnSendSMSPDU);
    m_pBClear = new TSkinButton(this);
    m_pBClear->setGeometry(208, 238, 175, 20);
    m_pBClear->setFont(tahoma);
    connect(m_pBClear, &QAbstractButton::clicked, this, &TSMSCreateEx::OnMessageClear);
    BvlSpacer = new TLockCover(this);

    m_pIniFile = std::make_unique<TConfigFile>(ConfigIniPath());
    connect(m_pCBxExLang, &QCheckBox::toggled, this, &TSMSCreateEx::OnChangeExtLang);
    // The same [SETTINGS] UseExtLangSMS the communicator's flag comes from,
    // read here too: the flag may not be read yet when this page is built.
    const bool ucs2 =
        (m_pModemComm != nullptr && m_pModemComm->GetUseExtLangSMS() != 0) || m_pIniFile->GetUseExtLangSMS();
    m_pCBxExLang->setChecked(ucs2);
    m_iMaxChars = smsui::MaxChars(ucs2);
    ShowCounter();
    m_pHintWindow = nullptr;
}

TSMSCreateEx::~TSMSCreateEx()
{
    RemoveHint();
}

TFormExSMS* TSMSCreateEx::Host() const
{
    return TFormExSMS::HostOf(this);
}

TSmsMainWindow* TSMSCreateEx::Main() const
{
    return TFormExSMS::MainWindowOf(this);
}

WideString TSMSCreateEx::MemoText() const
{
    return m_pMText->toPlainText().toStdU16String();
}

void TSMSCreateEx::SetMemoText(const WideString& text, int caret)
{
    m_bSettingText = true;
    m_pMText->setPlainText(QString::fromStdU16String(text));
    m_bSettingText = false;
    QTextCursor c = m_pMText->textCursor();
    c.setPosition(qBound(0, caret, static_cast<int>(m_pMText->toPlainText().size())));
    m_pMText->setTextCursor(c);
}

void TSMSCreateEx::ShowCounter()
{
    m_pLCounter->setText(QString::number(m_iMaxChars - m_iCharCount));
}

void TSMSCreateEx::SetNumber(const AnsiString& number)
{
    m_pEPhoneNum->setText(ToQ(number));
}

void TSMSCreateEx::SetText(const WideString& text)
{
    m_pMText->setPlainText(QString::fromStdU16String(text));
}

bool TSMSCreateEx::Reply(const AnsiString& number)
{
    const AnsiString typed = FromQ(m_pEPhoneNum->text());
    const bool draft = !MemoText().empty() || (smsui::HasRecipient(typed) && typed != number);
    TSmsMainWindow* main = Main();
    if (draft && (main == nullptr || main->ShowMsgBox(Host(), LangText(m_pLanguage, 475), 1) != 6))
        return false;
    SetNumber(number);
    SetText(WideString());
    return true;
}

// ---- Page operations ----

void TSMSCreateEx::ShowPage()
{
    if (TFormExSMS* host = Host())
        host->SetTitle(LangText(m_pLanguage, 143));
    UpdateModemState();
    TExFrame::ShowPage();
}

QWidget* TSMSCreateEx::FirstEntry()
{
    QWidget* first = m_pEPhoneNum->text().trimmed().isEmpty() ? static_cast<QWidget*>(m_pEPhoneNum) : m_pMText;
    return TFocusGuard::TakesFocus(first) ? first : TExFrame::FirstEntry();
}

void TSMSCreateEx::ApplyLanguage()
{
    if (TFormExSMS* host = Host())
        host->SetTitle(LangText(m_pLanguage, 143));
    m_pLPhoneNumber->setText(LangQ(m_pLanguage, 145));
    // The international form, grey until the user types.
    m_pEPhoneNum->setPlaceholderText(LangQ(m_pLanguage, 501));
    m_pCBxExLang->setText(LangQ(m_pLanguage, 146));
    m_pLInsertText->setText(LangQ(m_pLanguage, 147));
    m_pBSend->setText(LangQ(m_pLanguage, 148));
    m_pBClear->setText(LangQ(m_pLanguage, 149));
    m_pLLinkNote->setText(LangQ(m_pLanguage, 477));
}

void TSMSCreateEx::UpdateModemState()
{
    TSmsMainWindow* main = Main();
    if (main != nullptr && main->IsNetworkRegistered())
        Unlock();
    else
        Lock();
}

void TSMSCreateEx::Lock()
{
    m_pEPhoneNum->setEnabled(false);
    m_pCBxExLang->setEnabled(false);
    m_pMText->setEnabled(false);
    SetFieldColour(m_pEPhoneNum, BgrColor(0x808080));
    SetFieldColour(m_pMText, BgrColor(0x808080));
    m_pBSend->SetCaptionColour(BgrColor(0x808080));
    m_pBClear->SetCaptionColour(BgrColor(0x808080));
    BvlSpacer->setGeometry(Bevel1->x() + 3, m_pBSend->y() - 3, Bevel1->width() - 6, m_pBSend->height() + 6);
    BvlSpacer->raise();
    BvlSpacer->show();
}

void TSMSCreateEx::Unlock()
{
    TSmsMainWindow* main = Main();
    // The link as the worker last saw it: asking the dial-up layer from here
    // would race the worker's own check.
    const bool enabled = main != nullptr && main->IsNetworkRegistered() && !main->IsConnected();
    m_pEPhoneNum->setEnabled(enabled);
    ProcessMessages();
    m_pCBxExLang->setEnabled(enabled);
    ProcessMessages();
    m_pMText->setEnabled(enabled);
    ProcessMessages();
    m_pLLinkNote->setVisible(!enabled && main != nullptr && main->IsConnected());
    if (!enabled) {
        // Disabled inputs with a Send that still takes clicks would send
        // from a page the user cannot edit: the locked state is all or nothing.
        Lock();
        return;
    }
    SetFieldColour(m_pEPhoneNum, BgrColor(0xFFFFFF));
    SetFieldColour(m_pMText, BgrColor(0xFFFFFF));
    m_pBSend->SetCaptionColour(BgrColor(0xFFFFFF));
    m_pBClear->SetCaptionColour(BgrColor(0xFFFFFF));
    BvlSpacer->hide();
}

// ---- Typing and counting ----

bool TSMSCreateEx::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pMText && event->type() == QEvent::KeyPress) {
        OnMessageKeyDown();
        const QString typed = static_cast<QKeyEvent*>(event)->text();
        if (!typed.isEmpty())
            OnMessageKeyPress(typed.at(0).unicode());
        return false;
    }
    if (watched == Image1 && event->type() == QEvent::MouseButtonPress)
        OnClick();
    return TExFrame::eventFilter(watched, event);
}

void TSMSCreateEx::hideEvent(QHideEvent* event)
{
    // The hint is a window of its own: it would stay on the screen over
    // whatever lies there once the page or the SMS window is gone.
    RemoveHint();
    TExFrame::hideEvent(event);
}

void TSMSCreateEx::OnMessageKeyDown()
{
    m_wsLastText = MemoText();
    m_iLastCharCount = m_iCharCount;
}

void TSMSCreateEx::OnMessageChange()
{
    if (m_bSettingText)
        return;
    const bool ucs2 = m_pCBxExLang->isChecked();
    int caret = m_pMText->textCursor().position();
    m_iMaxChars = smsui::MaxChars(ucs2);
    WideString text = MemoText();
    int count = smsui::CountChars(text, ucs2);
    if (count > m_iMaxChars) {
        text = FitChange(text, ucs2, caret);
        count = smsui::CountChars(text, ucs2);
        SetMemoText(text, caret);
    } else if (ShowsLimitHint()) {
        // What passed the limit is told until the next change.
        RemoveHint();
    }
    m_iCharCount = count;
    // Every accepted text is the one a refused change returns to, also when
    // it came without a key (a paste by the mouse).
    m_wsLastText = text;
    m_iLastCharCount = count;
    ShowCounter();
}

WideString TSMSCreateEx::FitChange(const WideString& text, bool ucs2, int& caret)
{
    const WideString& last = m_wsLastText;
    const auto high = [](char16_t u) { return u >= 0xD800 && u <= 0xDBFF; };
    const auto low = [](char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; };
    // What the change put in lies between the start and the end it left as
    // they were (never inside a surrogate pair).
    size_t head = 0, tail = 0;
    while (head < last.size() && head < text.size() && last[head] == text[head])
        ++head;
    if (head > 0 && high(text[head - 1]))
        --head;
    while (tail < last.size() - head && tail < text.size() - head &&
           last[last.size() - 1 - tail] == text[text.size() - 1 - tail])
        ++tail;
    if (tail > 0 && low(text[text.size() - tail]))
        --tail;
    const WideString before = text.substr(0, head), after = text.substr(text.size() - tail);
    const WideString added = text.substr(head, text.size() - head - tail);
    if (smsui::CountChars(before + after, ucs2) > m_iMaxChars) {
        // The encoding changed since the last text: that text, as far as it fits.
        caret = static_cast<int>(last.size());
        return smsui::FitText(last, ucs2);
    }
    // The longest start of it that fits.
    int fits = 0;
    for (int lo = 1, hi = static_cast<int>(added.size()); lo <= hi;) {
        const int mid = (lo + hi) / 2;
        if (smsui::CountChars(before + smsui::CutText(added, mid) + after, ucs2) <= m_iMaxChars) {
            fits = mid;
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    const WideString kept = smsui::CutText(added, fits);
    caret = static_cast<int>(head + kept.size());
    // A paste is told that only its start went in; a key, that it was refused.
    const bool pasted = std::count_if(added.begin(), added.end(), [&](char16_t u) { return !low(u); }) > 1;
    ShowHint(pasted ? kPasteCutHint : kMessageFullHint);
    return before + kept + after;
}

void TSMSCreateEx::OnMessageKeyPress(char16_t key)
{
    // Only a character that 7-bit cannot carry (it would go as '?') needs
    // the hint; keys that type no character never do.
    const bool typed = key >= 0x20 && key != 0x7F;
    if (typed && sms::GsmCodeOf(key) < 0 && !m_pCBxExLang->isChecked())
        ShowHint();
    else if (!ShowsLimitHint())
        RemoveHint();
}

void TSMSCreateEx::ShowHint(int textId)
{
    if (m_pHintWindow == nullptr) {
        m_pHintWindow = new QLabel(m_pMText, Qt::ToolTip);
        m_pHintWindow->setAutoFillBackground(true);
        QPalette pal = m_pHintWindow->palette();
        pal.setColor(QPalette::Window, BgrColor(0xD39B38));
        pal.setColor(QPalette::WindowText, BgrColor(0xFFFFFF));
        m_pHintWindow->setPalette(pal);
        QFont f(font().family());
        f.setPointSize(7);
        m_pHintWindow->setFont(f);
        m_pHintWindow->setMargin(2);
        m_pHintWindow->setTextFormat(Qt::PlainText);
    }
    m_iHintText = textId;
    m_pHintWindow->setText(LangQ(m_pLanguage, textId));
    QSize size = m_pHintWindow->sizeHint();
    if (const QScreen* screen = m_pMText->screen())
        size.setWidth(qMin(size.width(), screen->geometry().width()));
    // Above the line being typed, or below it when the screen ends above.
    const QRect caret = m_pMText->cursorRect();
    const QPoint top = m_pMText->viewport()->mapToGlobal(caret.topLeft());
    const QPoint bottom = m_pMText->viewport()->mapToGlobal(caret.bottomLeft());
    QRect place(QPoint(top.x(), top.y() - 5 - size.height()), size);
    if (const QScreen* screen = m_pMText->screen()) {
        const QRect area = screen->availableGeometry();
        if (place.top() < area.top())
            place.moveTop(bottom.y() + 5);
        if (place.right() > area.right())
            place.moveRight(area.right());
    }
    m_pHintWindow->setGeometry(place);
    m_pHintWindow->show();
}

void TSMSCreateEx::RemoveHint()
{
    if (m_pHintWindow == nullptr)
        return;
    m_pHintWindow->hide();
    delete m_pHintWindow;
    m_pHintWindow = nullptr;
    m_iHintText = 0;
}

bool TSMSCreateEx::ShowsLimitHint() const
{
    return m_pHintWindow != nullptr && (m_iHintText == kPasteCutHint || m_iHintText == kMessageFullHint);
}

void TSMSCreateEx::OnClick()
{
    RemoveHint();
}

void TSMSCreateEx::OnNumbersCheck()
{
    // Any character may stand in the field; the communicator refuses what is
    // no phone number when it sends.
}

void TSMSCreateEx::OnMessageClear()
{
    RemoveHint();
    m_pMText->clear();
    m_iMaxChars = smsui::MaxChars(m_pCBxExLang->isChecked());
    ShowCounter();
}

void TSMSCreateEx::OnChangeExtLang()
{
    RemoveHint();
    const bool ucs2 = m_pCBxExLang->isChecked();
    m_pIniFile->SetUseExtLangSMS(ucs2);
    m_iMaxChars = smsui::MaxChars(ucs2);
    // The room of the new encoding; the text is counted again below, once it
    // is known whether it stays whole (no negative count while asking).
    m_pLCounter->setText(QString::number(m_iMaxChars));
    const WideString text = MemoText();
    // Counted as the message carries it: an extension character takes two septets.
    if (smsui::CountChars(text, ucs2) > m_iMaxChars) {
        TSmsMainWindow* main = Main();
        const int answer = main != nullptr ? main->ShowMsgBox(Host(), LangText(m_pLanguage, m_iShortenQuestion), 1) : 7;
        if (answer == 6) {
            SetMemoText(smsui::FitText(text, ucs2), m_iMaxChars);
        } else {
            m_pCBxExLang->setChecked(false);
            return;  // the handler ran again for the 7-bit choice and recounted
        }
    }
    OnMessageChange();
    // What a typed key would have been told: these characters go as '?'.
    if (!ucs2 && isVisible() && !smsui::FitsSevenBit(MemoText()))
        ShowHint();
}

// ---- Sending ----

bool TSMSCreateEx::ValidateSend(const AnsiString& numbers, const WideString& text)
{
    TSmsMainWindow* main = Main();
    if (!smsui::HasRecipient(numbers)) {
        if (main != nullptr)
            main->ShowMsgBox(Host(), LangText(m_pLanguage, 153), 0);
        return false;
    }
    if (text.empty()) {
        const int answer = main != nullptr ? main->ShowMsgBox(Host(), LangText(m_pLanguage, 152), 1) : 7;
        return answer == 6;
    }
    return true;
}

bool TSMSCreateEx::ConfirmAlphabet(WideString& text, bool& ucs2)
{
    TSmsMainWindow* main = Main();
    if (ucs2 || main == nullptr || smsui::FitsSevenBit(text))
        return true;
    // What 7-bit cannot carry would arrive as "?": Unicode, "?" or nothing.
    if (main->ShowMsgBox(Host(), LangText(m_pLanguage, 401), 1) == 6) {
        // The switch asks itself whether to shorten a text too long for
        // Unicode; refused, the box stays unticked and nothing is sent. The
        // shortened text goes at once: the question says so.
        m_iShortenQuestion = 479;
        m_pCBxExLang->setChecked(true);
        m_iShortenQuestion = 158;
        ucs2 = m_pCBxExLang->isChecked();
        text = MemoText();
        return ucs2;
    }
    return main->ShowMsgBox(Host(), LangText(m_pLanguage, 402), 2) == 6;
}

void TSMSCreateEx::OnSendSMSPDU()
{
    TSmsMainWindow* main = Main();
    TFormExSMS* host = Host();
    if (main == nullptr || host == nullptr || m_pModemComm == nullptr)
        return;
    // The message as the user made it, read before anything handles events.
    const AnsiString numbers = FromQ(m_pEPhoneNum->text());
    WideString typed = MemoText();
    bool ucs2 = m_pCBxExLang->isChecked();
    const TUserAction action(main, m_pBSend);
    if (!action)
        return;
    // The text is on its way: a hint about it would only cover the boxes.
    RemoveHint();
    // Every question is asked before the wait panel shows and the worker is
    // held: nothing waits behind an open box.
    if (!ValidateSend(numbers, typed) || !ConfirmAlphabet(typed, ucs2))
        return;
    host->ShowWaitPanel(LangText(m_pLanguage, 144));
    main->SuspendWorker();
    AnsiString result;
    {
        // A piece with no number in it (what a trailing ";" leaves) is no
        // recipient; one that is no phone number (a name) goes to no one and
        // is told as typed. The others go, are told and stored as cleaned.
        std::vector<AnsiString> recipients, noNumber;
        for (const AnsiString& piece : smsui::SplitRecipients(numbers)) {
            if (sms::IsEmptyNumber(piece))
                continue;
            const AnsiString to = sms::CleanSmsNumber(piece);
            if (to.empty())
                noNumber.push_back(FromQ(ToQ(piece).trimmed()));
            else
                recipients.push_back(to);
        }
        // The stored copy is what the modem is given, not what was typed.
        const WideString text = smsui::AsSent(typed, ucs2);
        const int n = static_cast<int>(recipients.size());
        host->HideWaitPanel();
        // Of the unsent, those the modem took without a word back may have
        // gone out all the same: they are the unconfirmed.
        std::vector<AnsiString> sent, unsent, refused, unconfirmed;
        bool copiesStored = true;
        for (int i = 0; i < n; ++i) {
            const AnsiString& to = recipients[static_cast<size_t>(i)];
            // Once closing has begun no further message is started.
            if (main->IsClosing()) {
                unsent.push_back(to);
                refused.push_back(to);
                continue;
            }
            host->ShowWaitPanel(LangText(m_pLanguage, 144) + " (" + std::to_string(i + 1) + "/" +
                                std::to_string(n) + ")");
            main->SetSendsLeft(n - i - 1);
            bool taken = false;
            if (m_pModemComm->SendSms(to, text, ucs2, &taken)) {
                sent.push_back(to);
                // A copy that cannot be written stays in the store, and the
                // next save that works writes it.
                copiesStored = m_pModemComm->AddSentSms(to, text) && copiesStored;
                host->RefreshList(3);
            } else {
                unsent.push_back(to);
                (taken ? unconfirmed : refused).push_back(to);
            }
            host->HideWaitPanel();
        }
        main->SetSendsLeft(0);
        const auto names = [](const std::vector<AnsiString>& list, const char* separator) {
            AnsiString all;
            for (const AnsiString& to : list)
                all += (all.empty() ? "" : separator) + to;
            return all;
        };
        if (!unsent.empty() || !noNumber.empty()) {
            // Only the recipients that did not get it stay, so sending again
            // does not send the message twice to the others; the box names
            // them, says which may have it already, and which pieces are no
            // phone number.
            std::vector<AnsiString> left = unsent;
            left.insert(left.end(), noNumber.begin(), noNumber.end());
            m_pEPhoneNum->setText(ToQ(names(left, ";")));
            if (!sent.empty())
                result = LangText(m_pLanguage, 350) + "\n" + LangText(m_pLanguage, 351) + " " + names(sent, "; ");
            else
                result = LangText(m_pLanguage, unconfirmed.empty() ? 151 : 531);
            if (!refused.empty())
                result += "\n" + LangText(m_pLanguage, 313) + " " + names(refused, "; ");
            if (!unconfirmed.empty())
                result += "\n" + LangText(m_pLanguage, 532) + " " + names(unconfirmed, "; ");
            if (!noNumber.empty())
                result += "\n" + LangText(m_pLanguage, 502) + " " + names(noNumber, "; ");
        } else {
            // Empty, as when the page opens: a "+" left here would turn the
            // next short code or national number into a foreign one.
            m_pMText->clear();
            m_pEPhoneNum->clear();
            result = LangText(m_pLanguage, 150);
            if (n > 1)
                result += " (" + std::to_string(n) + "/" + std::to_string(n) + ")";
        }
        if (!copiesStored)
            result += "\n" + LangText(m_pLanguage, 352);
    }
    main->ResumeWorker();
    if (!result.empty() && !main->IsClosing())
        main->ShowMsgBox(host, result, 0);
}
