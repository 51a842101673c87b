// The program itself on the command line: --help and --version answer on the terminal without a
// display, without the catalogue and without asking a running instance.

#include "toolkit/singleinstance.h"

#include "tests/support/environmentguard.h"
#include "tests/support/socketfile.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class CommandLine : public ::testing::Test {
protected:
    // Runs the program to its end with nothing a window could open on, besides what `display` sets.
    void Start(QProcess& program, const QStringList& arguments, const QProcessEnvironment& display = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"})
            env.remove(QString::fromLatin1(name));
        env.insert(display);
        env.insert(u"XDG_DATA_HOME"_qs, dataHome.path());
        env.insert(u"XDG_RUNTIME_DIR"_qs, runtime.path());
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(REGALON_PROGRAM), arguments);
        EXPECT_TRUE(program.waitForFinished(30000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    }

    // Its standard output, after it ended well.
    QString Run(const QStringList& arguments)
    {
        QProcess program;
        Start(program, arguments);
        EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
        return QString::fromLocal8Bit(program.readAllStandardOutput());
    }

    QTemporaryDir dataHome, runtime;
};

}  // namespace

TEST_F(CommandLine, helpAndVersionAnswerWithoutDisplayCatalogueOrInstance)
{
    QString name;
    {
        EnvironmentGuard runtimeDir("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        EnvironmentGuard display("DISPLAY", QByteArray());
        EnvironmentGuard wayland("WAYLAND_DISPLAY", QByteArray());
        name = TSingleInstance::ServerName(QString::fromLatin1(kInstanceTitle));
    }
    TSocketFile instance(name, TSocketFile::Kind::Silent);
    ASSERT_TRUE(instance.Made());

    const QString help = Run({u"--help"_qs});
    EXPECT_TRUE(help.startsWith(u"Použití: regalon [volby]\n"_qs)) << help.toStdString();
    EXPECT_TRUE(help.contains(u"-v, --version"_qs));
    EXPECT_EQ(Run({u"-h"_qs}), help);

    const QString folder = QFileInfo(QStringLiteral(REGALON_PROGRAM)).absolutePath();
    const QStringList version = Run({u"--version"_qs}).split(u'\n');
    ASSERT_GE(version.size(), 3);
    EXPECT_TRUE(version[0].startsWith(u"Regalon 1."_qs)) << version[0].toStdString();
    EXPECT_EQ(version[1], u"Knihovna SQLite: "_qs + folder + u"/libsqlite3.so.0"_qs);  // the build tree: beside it
    EXPECT_EQ(version[2], u"Příručka: "_qs + folder + u"/regalon.pdf"_qs);
    EXPECT_EQ(Run({u"-reverse"_qs, u"-v"_qs}).split(u'\n').value(0), version[0]);  // Qt's own options pass

    EXPECT_FALSE(instance.Contacted());
    EXPECT_TRUE(QDir(dataHome.path()).isEmpty());  // no work folder, no catalogue
}

TEST_F(CommandLine, withoutADisplayTheProgramSaysSoAndEndsInsteadOfAborting)
{
    QProcessEnvironment unreachable;
    unreachable.insert(u"DISPLAY"_qs, u":4093"_qs);  // named, but no server answers there
    for (const QProcessEnvironment& display : {QProcessEnvironment(), unreachable}) {
        QProcess program;
        Start(program, {}, display);
        EXPECT_EQ(program.exitCode(), 2);
        const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
        EXPECT_TRUE(errors.contains(u"Regalon nemůže otevřít okno: není k dispozici žádný displej"_qs)) << errors.toStdString();
    }
    EXPECT_TRUE(QDir(dataHome.path()).isEmpty());
}
