#include "ui/common/ProgramPaths.h"

#include <QCoreApplication>

namespace {
QString g_skinFolder;
}

AnsiString ProgramFolder()
{
    if (QCoreApplication::instance() == nullptr)
        return ".";
    return QCoreApplication::applicationDirPath().toUtf8().toStdString();
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
