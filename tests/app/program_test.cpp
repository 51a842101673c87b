// The program itself: on the command line --help and --version answer on the terminal without a
// display, without the catalogue and without asking a running instance; started with a window, one
// program per work folder holds the catalogue, whatever display or runtime folder the others have.

#include "data/uDM.h"
#include "toolkit/singleinstance.h"

#include "tests/support/environmentguard.h"
#include "tests/support/settle.h"
#include "tests/support/socketfile.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTest>
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

// The program started with a window over the work folder under dataHome, on a display and with a
// runtime folder of its own; the offscreen platform stands in for the display.
class Started {
public:
    Started(const QString& dataHome, const QString& runtime, const QString& display)
        : catalogue_(QDir(dataHome).canonicalPath() + u'/' + RegalonTitle() + u"/regalon.db3"_qs)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"WAYLAND_DISPLAY"_qs);
        env.insert(u"QT_QPA_PLATFORM"_qs, u"offscreen"_qs);
        env.insert(u"DISPLAY"_qs, display);
        env.insert(u"XDG_DATA_HOME"_qs, dataHome);
        env.insert(u"XDG_RUNTIME_DIR"_qs, runtime);
        process_.setProcessEnvironment(env);
        process_.start(QStringLiteral(REGALON_PROGRAM));
    }
    ~Started()
    {
        process_.kill();
        process_.waitForFinished();
    }
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;

    bool Running() const { return process_.state() != QProcess::NotRunning; }
    int ExitCode() const { return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1; }
    void Crash() { process_.kill(), process_.waitForFinished(); }  // SIGKILL: no closing steps run
    QString Said()
    {
        said_ += QString::fromLocal8Bit(process_.readAllStandardError());
        return said_;
    }
    // Whether the process has the catalogue file open.
    bool HoldsCatalogue() const
    {
        const QString fds = u"/proc/%1/fd"_qs.arg(process_.processId());
        for (const QString& fd : QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
            if (QFile::symLinkTarget(fds + u'/' + fd) == catalogue_)
                return true;
        return false;
    }

private:
    QProcess process_;
    QString catalogue_;
    QString said_;
};

// Only a stuck program takes this long.
constexpr int kProgramDeadline = 120'000;

}  // namespace

TEST(Program, onlyOneProgramPerWorkFolderOpensTheCatalogueWhateverTheDisplayOrRuntimeFolder)
{
    QTemporaryDir dataHome, firstRuntime, otherRuntime;
    Started first(dataHome.path(), firstRuntime.path(), u":71"_qs);
    ASSERT_TRUE(WaitUntil([&] { return first.HoldsCatalogue() || !first.Running(); }, kProgramDeadline))
        << first.Said().toStdString();
    ASSERT_TRUE(first.HoldsCatalogue()) << first.Said().toStdString();

    // Another session: another display, or the same one with another runtime folder.
    for (const QString& display : {u":72"_qs, u":71.0"_qs}) {
        Started second(dataHome.path(), otherRuntime.path(), display);
        const QString where = u"(počítač: %1, displej: :71)"_qs.arg(QSysInfo::machineHostName());
        const auto answered = [&] {
            return second.Said().contains(where) || second.HoldsCatalogue() || !second.Running();
        };
        ASSERT_TRUE(WaitUntil(answered, kProgramDeadline)) << display.toStdString();
        EXPECT_TRUE(second.Said().startsWith(u"Katalog je už otevřen v jiném spuštěném programu Regalon "_qs + where))
            << second.Said().toStdString();
        EXPECT_FALSE(second.HoldsCatalogue()) << display.toStdString();
    }

    // The same session hands over to the first, as before.
    Started again(dataHome.path(), firstRuntime.path(), u":71"_qs);
    ASSERT_TRUE(WaitUntil([&] { return !again.Running(); }, kProgramDeadline));
    EXPECT_EQ(again.ExitCode(), 0) << again.Said().toStdString();

    // A crash leaves no lock behind: the next start elsewhere opens the catalogue.
    first.Crash();
    Started next(dataHome.path(), otherRuntime.path(), u":72"_qs);
    ASSERT_TRUE(WaitUntil([&] { return next.HoldsCatalogue() || !next.Running(); }, kProgramDeadline))
        << next.Said().toStdString();
    EXPECT_TRUE(next.HoldsCatalogue()) << next.Said().toStdString();
}

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
