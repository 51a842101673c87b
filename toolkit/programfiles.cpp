#include "toolkit/programfiles.h"

#include "buildinfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

// In the installed folder where the file is there, else beside the binary (the build tree, and
// what a message names when the file is nowhere).
QString ProgramFile(const char* installedFolder, const QString& name)
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString installed = QDir::cleanPath(programFolder + u'/' + QLatin1String(installedFolder) + u'/' + name);
    if (QFileInfo::exists(installed))
        return installed;
    return programFolder + u'/' + name;
}

}  // namespace

QString ProgramVersion()
{
    return QStringLiteral(REGALON_VERSION);
}

QString EngineLibraryPath()
{
    return ProgramFile(REGALON_ENGINE_FOLDER, QStringLiteral("libsqlite3.so.0"));
}

QString HelpDocumentPath()
{
    const QFileInfo program(QCoreApplication::applicationFilePath());
    const QString base = program.suffix().isEmpty() ? program.fileName() : program.completeBaseName();
    return ProgramFile(REGALON_HELP_FOLDER, base + QStringLiteral(".pdf"));
}
