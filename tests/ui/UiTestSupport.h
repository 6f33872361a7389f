#pragma once
// What the user-interface tests share: one application object on the
// offscreen platform, private temporary folders and a catcher of log lines.
#include <QString>

class QWidget;
#include <filesystem>
#include <functional>
#include <string>
#include <vector>
#include "ui/common/UiLog.h"

namespace uitest {

// A fresh, empty folder of its own for one test.
std::filesystem::path FreshDir(const std::string& name);
void WriteFile(const std::filesystem::path& path, const std::string& content);
std::string ReadFile(const std::filesystem::path& path);

// The folder of the test binary, where the build copies the delivered files.
std::filesystem::path BinDir();

// Collects the user interface's log lines while it lives.
class LogCatcher {
public:
    LogCatcher();
    ~LogCatcher();
    const std::vector<std::string>& Lines() const { return m_lines; }
    int Count(const std::string& part) const;

private:
    std::vector<std::string> m_lines;
    TUiLogHook m_old;
};

// Lets queued events run for a while.
void Pump(int milliseconds = 0);
// Pumps until `done` holds or `milliseconds` pass; returns whether it holds.
// The deadline is generous: a busy machine may be slow, never wrong.
bool PumpUntil(const std::function<bool()>& done, int milliseconds = 10000);

// The texts under root (labels, check and radio boxes, buttons) that need more
// room than their widget gives them, one line each: class, object or parent
// and the text. Checks the laid-out size, so the language must be applied.
std::vector<std::string> TextsThatDoNotFit(const QWidget* root);

// The labels under root (root too) that would read their text as rich text:
// a modem's or a message's "<b>" would be drawn as markup there.
std::vector<std::string> LabelsNotPlain(const QWidget* root);

// The texts in window (labels, check and radio boxes, group titles) drawn in a
// shade too close to the commonest shade behind them, one line each.
std::vector<std::string> TextsHardToRead(QWidget* window);

}  // namespace uitest
