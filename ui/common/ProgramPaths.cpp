#include "ui/common/ProgramPaths.h"

#include <QCoreApplication>
#include <cstdlib>

namespace {
QString g_skinFolder;
AnsiString g_programFolder;
}

AnsiString ProgramFolder()
{
    if (!g_programFolder.empty())
        return g_programFolder;
    if (const char* folder = std::getenv("QVX_PROGRAM_DIR"); folder != nullptr && *folder != '\0')
        return folder;
    if (QCoreApplication::instance() == nullptr)
        return ".";
    return QCoreApplication::applicationDirPath().toUtf8().toStdString();
}

void SetProgramFolder(const AnsiString& folder)
{
    g_programFolder = folder;
}

AnsiString ConfigIniPath()
{
    return ProgramFolder() + "/Config.ini";
}

AnsiString LanguageIniPath()
{
    return ProgramFolder() + "/Language.ini";
}

QString SkinFolder()
{
    if (!g_skinFolder.isEmpty())
        return g_skinFolder;
    return QString::fromStdString(ProgramFolder()) + "/skin";
}

void SetSkinFolder(const QString& folder)
{
    g_skinFolder = folder;
}
