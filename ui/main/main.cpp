// Start-up: the program's folder becomes the current folder, Language.ini must
// be there, only one instance runs, then the main window runs until it closes.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <exception>
#include <string>

#include "platform/EndSignals.h"
#include "platform/SingleInstance.h"
#include "ui/common/ProgramPaths.h"
#include "ui/common/UiStyle.h"
#include "ui/main/SecondStart.h"
#include "ui/main/TModemMainFrame.h"

namespace {
constexpr const char* kInstanceName = "TQUORVIXSINGLEINSTANCECHECK";

int WinMain(QApplication& app)
{
    const AnsiString folder = ProgramFolder();
    QDir::setCurrent(QString::fromStdString(folder));
    const AnsiString languagePath = FromQ(QDir::currentPath()) + "/Language.ini";
    if (!QFileInfo::exists(ToQ(languagePath))) {
        const QString text = QStringLiteral("Could not find languages File\r\n\"%1\"\r\n"
                                            "Try reinstalling product.\r\n"
                                            "Application will terminate, Sorry for inconvience")
                                 .arg(ToQ(languagePath));
        QMessageBox::critical(nullptr, QStringLiteral("Error Occured"), text);
        return 0;
    }

    // Held for the whole run; the lock goes with the process.
    static TSingleInstance* instance = new TSingleInstance(kInstanceName);
    if (instance->AlreadyExists()) {
        const auto [caption, text] = SecondStartTexts(folder);
        QMessageBox::critical(nullptr, ToQ(caption), ToQ(text));
        return 0;
    }

    try {
        TModemMainFrame mainFrame;
        // Ended from outside (Ctrl+C, the terminal closed, kill): the link is
        // hung up and everything saved, as by the exit image.
        const TEndSignals endSignals([&mainFrame](int signal) {
            mainFrame.CloseUnasked("signal " + std::to_string(signal));
        });
        mainFrame.show();
        app.exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QString(), QString::fromUtf8(e.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, QString(), QString());
    }
    return 0;
}
}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The window system shows the program's name, not its file's.
    QApplication::setApplicationName(QStringLiteral("Quorvix"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quorvix"));
    InstallFontSubstitutes();
    return WinMain(app);
}
