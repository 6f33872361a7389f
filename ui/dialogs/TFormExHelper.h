#pragma once
// Hosts one settings page as a modal window of its own, when the user must act
// outside the settings dialog (choose a modem or an operator, fill in the
// connection profile). The page becomes a child of the window and goes with
// it. The exit image gives up: it raises the communicator's abort flag through
// the action handed in, then closes with result 2 (unless the page, asked
// first, keeps the window open or ends it as its own save would).
#include <functional>
#include "ui/common/TFormEx.h"

class QLabel;
class TExFrame;

class TFormExHelper : public TFormEx {
    Q_OBJECT
public:
    // setAbortFlag: TModemComm::SetAbortFlag of the main window's communicator.
    TFormExHelper(QWidget* owner, TExFrame* page, std::function<void()> setAbortFlag = {});
    ~TFormExHelper() override;

    TExFrame* Frame() const { return m_pFrame; }

    QLabel* ImageBackTop = nullptr;

public slots:
    void btnExitClick() override;

protected:
    void FormShow() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlacePage();

    TExFrame* m_pFrame;
    std::function<void()> m_setAbortFlag;
};
