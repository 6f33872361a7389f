#pragma once
// The debug window: a plain window with the log memo that the communicator
// writes every log line into. The lines live in a thread-safe TMemo (filled
// from any thread); the window shows them on its own thread, fetched by a
// queued call after each addition.
#include <QWidget>
#include <memory>
#include "platform/TMemo.h"

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

class TDebugFrame : public QWidget {
    Q_OBJECT
public:
    explicit TDebugFrame(QWidget* owner = nullptr);
    // The communicator must no longer write into Lines() when this runs.
    ~TDebugFrame() override;

    // The memo handed to TModemComm::SetDebugMemo.
    TMemo& Lines() { return m_lines; }

    QPlainTextEdit* Memo1 = nullptr;
    QWidget* Panel1 = nullptr;
    QPushButton* Button1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;

public slots:
    void Button1Click();
    void CheckBox1Click();
    // Shows the lines added since the last call.
    void FetchLines();

private:
    struct Relay;

    TMemo m_lines;
    size_t m_shown = 0;
    std::shared_ptr<Relay> m_relay;
};
