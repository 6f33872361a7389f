#include "ui/dialogs/TDebugFrame.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <atomic>
#include <mutex>

#include "ui/common/UiStyle.h"

// Carries the memo's notices to the window. It outlives the window (held by
// any notice in flight); the mutex keeps a notice from reaching a window
// that is being destroyed, and the flag lets a burst of lines cost one call.
struct TDebugFrame::Relay {
    std::mutex mutex;
    TDebugFrame* target = nullptr;
    std::atomic<bool> posted{false};
};

TDebugFrame::TDebugFrame(QWidget* owner) : QWidget(owner, Qt::Window), m_relay(std::make_shared<Relay>())
{
    InstallFontSubstitutes();
    setWindowTitle(QStringLiteral("DebugFrame"));
    setFont(NamedFontPt("MS Sans Serif", 8));
    resize(344, 457);

    Panel1 = new QWidget(this);
    Panel1->setFixedHeight(36);
    Button1 = new QPushButton(QStringLiteral("Clear"), Panel1);
    Button1->setGeometry(7, 7, 75, 22);
    CheckBox1 = new QCheckBox(QStringLiteral("Enabled"), Panel1);
    CheckBox1->setGeometry(104, 8, 97, 17);
    CheckBox1->setChecked(true);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(Memo1, 1);

    connect(Button1, &QPushButton::clicked, this, &TDebugFrame::Button1Click);
    connect(CheckBox1, &QCheckBox::clicked, this, &TDebugFrame::CheckBox1Click);

    m_relay->target = this;
    std::weak_ptr<Relay> weak = m_relay;
    m_lines.SetOnAdded([weak] {
        const std::shared_ptr<Relay> relay = weak.lock();
        if (relay == nullptr || relay->posted.exchange(true))
            return;
        std::lock_guard<std::mutex> lock(relay->mutex);
        if (relay->target != nullptr)
            QMetaObject::invokeMethod(relay->target, &TDebugFrame::FetchLines, Qt::QueuedConnection);
    });
    // The memo's first line, as the form was drawn.
    m_lines.Add("Memo1");
    FetchLines();
}

TDebugFrame::~TDebugFrame()
{
    m_lines.SetOnAdded({});
    std::lock_guard<std::mutex> lock(m_relay->mutex);
    m_relay->target = nullptr;
}

void TDebugFrame::FetchLines()
{
    // Cleared before reading: a line added from now on posts a new call.
    m_relay->posted.store(false);
    const std::vector<AnsiString> lines = m_lines.LinesFrom(m_shown);
    if (lines.empty())
        return;
    m_shown += lines.size();
    QScrollBar* bar = Memo1->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    for (const AnsiString& line : lines)
        Memo1->appendPlainText(ToQ(line));
    if (atEnd)
        bar->setValue(bar->maximum());
}

void TDebugFrame::Button1Click()
{
    m_lines.Clear();
    m_shown = 0;
    Memo1->clear();
}

void TDebugFrame::CheckBox1Click()
{
    Memo1->setEnabled(CheckBox1->isChecked());
}
