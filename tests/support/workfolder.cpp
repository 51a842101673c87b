#include "workfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TempWorkFolder::TempWorkFolder()
    : previous_(qgetenv("XDG_DATA_HOME")), hadPrevious_(qEnvironmentVariableIsSet("XDG_DATA_HOME"))
{
    qputenv("XDG_DATA_HOME", DataHome().toUtf8());
}

TempWorkFolder::~TempWorkFolder()
{
    if (hadPrevious_)
        qputenv("XDG_DATA_HOME", previous_);
    else
        qunsetenv("XDG_DATA_HOME");
}

QString TempWorkFolder::DataHome() const { return dir_.path() + QStringLiteral("/data"); }

QString TempWorkFolder::WorkFolder() const
{
    return DataHome() + QStringLiteral("/Regalon {5C2E9A41-7B03-4F6D-9E18-A2D47B6C0E95}");
}

QString TempWorkFolder::File(const QString& relative) const { return dir_.path() + QLatin1Char('/') + relative; }

QString TempWorkFolder::WriteFile(const QString& relative, const QByteArray& bytes) const
{
    const QString path = File(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write test file " + path.toStdString());
    return path;
}
