#include "toolkit/singleinstance.h"

#include "tests/support/environmentguard.h"
#include "tests/support/socketfile.h"
#include "tests/support/settle.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Every test gets a runtime folder of its own and a title of its own, so that no running program
// and no other test answers.
class SingleInstance : public ::testing::Test {
protected:
    QTemporaryDir runtime;
    EnvironmentGuard runtimeDir{"XDG_RUNTIME_DIR", runtime.path().toUtf8()};
    const QString title = u"Regalon test {"_qs + QUuid::createUuid().toString(QUuid::WithoutBraces) + u"}"_qs;

    static QString Probe() { return QCoreApplication::applicationDirPath() + u"/singleinstance_probe"_qs; }

    // Runs a second start in its own process while this one keeps answering; its exit code.
    int SignalFromAnotherProcess(const QString& answerTimeout = u"60000"_qs)
    {
        QProcess second;
        second.start(Probe(), {u"signal"_qs, title, answerTimeout});
        if (!WaitUntil([&] { return second.state() == QProcess::NotRunning; }, 60'000))
            return -2;  // still running: it never got an answer
        return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1;
    }
};

// The running instance in a process of its own, so that this one may block on its questions.
class ProbeInstance {
public:
    explicit ProbeInstance(const QString& title, const QString& mode = u"listen"_qs)
    {
        process_.start(QCoreApplication::applicationDirPath() + u"/singleinstance_probe"_qs, {mode, title});
        listening_ = WaitForLine("listening");
    }
    ~ProbeInstance()
    {
        process_.kill();
        process_.waitForFinished();
    }
    bool Listening() const { return listening_; }
    bool WaitForLine(const QByteArray& line)
    {
        while (!lines_.contains(line)) {
            if (process_.canReadLine())
                lines_ << process_.readLine().trimmed();
            else if (!process_.waitForReadyRead(60000))
                return false;
        }
        return true;
    }
    qsizetype Count(const QByteArray& line) const { return lines_.count(line); }

private:
    QProcess process_;
    QList<QByteArray> lines_;
    bool listening_ = false;
};

}  // namespace

TEST_F(SingleInstance, theSocketLivesInTheUsersPrivateRuntimeFolder)
{
    const QString name = TSingleInstance::ServerName(QString::fromLatin1(kInstanceTitle));
    EXPECT_EQ(QFileInfo(name).absolutePath(), runtime.path());
    const QString file = QFileInfo(name).fileName();
    EXPECT_TRUE(file.startsWith(u"Regalon__5C2E9A41-7B03-4F6D-9E18-A2D47B6C0E95_-"_qs + QString::number(getuid())))
        << file.toStdString();
    EXPECT_FALSE(file.contains(u' ') || file.contains(u'{') || file.contains(u':'));
    EXPECT_NE(TSingleInstance::ServerName(u"a b"_qs), TSingleInstance::ServerName(u"a c"_qs));

    // Two sessions of one user on different displays do not share an instance.
    EnvironmentGuard noWayland("WAYLAND_DISPLAY", QByteArray());
    QString onDisplay[2];
    for (int i = 0; i < 2; ++i) {
        EnvironmentGuard display("DISPLAY", i == 0 ? ":7" : ":8");
        onDisplay[i] = TSingleInstance::ServerName(title);
    }
    EXPECT_NE(onDisplay[0], onDisplay[1]);
    EnvironmentGuard screen("DISPLAY", ":7.0");  // the same display as ":7"
    EXPECT_EQ(TSingleInstance::ServerName(title), onDisplay[0]);
}

TEST_F(SingleInstance, withoutARuntimeFolderTheSocketLivesInAFolderOnlyTheUserMayEnter)
{
    QTemporaryDir temp;
    EnvironmentGuard tmp("TMPDIR", temp.path().toUtf8());
    EnvironmentGuard unset("XDG_RUNTIME_DIR", QByteArray());
    const QString folder = QFileInfo(TSingleInstance::ServerName(title)).absolutePath();
    EXPECT_NE(folder, temp.path());  // never the shared temporary folder itself
    struct stat info{};
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &info), 0) << folder.toStdString();
    EXPECT_EQ(info.st_uid, getuid());
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    TSingleInstance first(title);
    EXPECT_TRUE(first.Listen()) << first.ErrorString().toStdString();
}

TEST_F(SingleInstance, aSecondStartAsksTheFirstToRestoreAndEnds)
{
    EXPECT_EQ(SignalFromAnotherProcess(), 1);  // nobody runs yet

    TSingleInstance first(title);
    EXPECT_FALSE(first.SignalRunningInstance());
    ASSERT_TRUE(first.Listen()) << first.ErrorString().toStdString();
    QSignalSpy restores(&first, &TSingleInstance::RestoreRequested);
    EXPECT_EQ(SignalFromAnotherProcess(), 0);
    ASSERT_TRUE(WaitUntil([&] { return restores.size() == 1; }));
    EXPECT_EQ(SignalFromAnotherProcess(), 0);
    ASSERT_TRUE(WaitUntil([&] { return restores.size() == 2; }));
}

TEST_F(SingleInstance, aRunningInstanceKeepsItsNameAndOnlyARequestRestoresIt)
{
    ProbeInstance first(title);
    ASSERT_TRUE(first.Listening());
    TSingleInstance second(title);
    second.SetAnswerTimeout(60000);
    EXPECT_FALSE(second.Listen());  // asks whether anyone answers, asks for nothing
    EXPECT_EQ(second.ErrorString(), "Another instance listens on " + second.Name());
    EXPECT_TRUE(second.SignalRunningInstance());
    ASSERT_TRUE(first.WaitForLine("restore"));
    EXPECT_EQ(first.Count("restore"), 1);  // requests are answered in order: the probe restored nothing
}

TEST_F(SingleInstance, aSocketLeftByACrashDoesNotBlockTheNextStart)
{
    TSocketFile stale(TSingleInstance::ServerName(title), TSocketFile::Kind::Stale);
    ASSERT_TRUE(stale.Made());

    TSingleInstance next(title);
    EXPECT_FALSE(next.SignalRunningInstance());
    ASSERT_TRUE(next.Listen()) << next.ErrorString().toStdString();
    QSignalSpy restores(&next, &TSingleInstance::RestoreRequested);
    EXPECT_EQ(SignalFromAnotherProcess(), 0);
    ASSERT_TRUE(WaitUntil([&] { return restores.size() == 1; }));
}

TEST_F(SingleInstance, aListenerThatNeverAnswersDoesNotBlockTheNextStart)
{
    TSocketFile squatter(TSingleInstance::ServerName(title), TSocketFile::Kind::Silent);
    ASSERT_TRUE(squatter.Made());

    TSingleInstance next(title);
    next.SetAnswerTimeout(200);  // the squatter never answers, however long one waits
    EXPECT_FALSE(next.SignalRunningInstance());
    EXPECT_TRUE(squatter.Contacted());
    ASSERT_TRUE(next.Listen()) << next.ErrorString().toStdString();
    QSignalSpy restores(&next, &TSingleInstance::RestoreRequested);
    EXPECT_EQ(SignalFromAnotherProcess(), 0);  // the name is the new instance's now
    ASSERT_TRUE(WaitUntil([&] { return restores.size() == 1; }));
}

TEST_F(SingleInstance, anInstanceTooBusyToAnswerStillCountsButASquatterDoesNot)
{
    ProbeInstance busy(title, u"busy"_qs);
    ASSERT_TRUE(busy.Listening());
    EXPECT_EQ(SignalFromAnotherProcess(u"200"_qs), 0);  // another process of the same program

    TSingleInstance other(title);  // a different program, as this test is to the probe
    other.SetAnswerTimeout(200);
    EXPECT_FALSE(other.SignalRunningInstance());
}
