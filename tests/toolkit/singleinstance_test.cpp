#include "toolkit/singleinstance.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QUuid>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A title of its own per test, so that no running program and no other test answers.
QString uniqueTitle()
{
    return u"Regalon test {"_qs + QUuid::createUuid().toString(QUuid::WithoutBraces) + u"}"_qs;
}

// What a crashed instance leaves: a socket file nobody listens on.
bool leaveStaleSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(path);
    if (bytes.size() >= qsizetype(sizeof(address.sun_path))) {
        ::close(fd);
        return false;
    }
    std::copy(bytes.begin(), bytes.end(), address.sun_path);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound && QFile::exists(path);
}

}  // namespace

TEST(SingleInstance, namesTheSocketAfterTitleAndUser)
{
    const QString name = TSingleInstance::ServerName(QString::fromLatin1(kInstanceTitle));
    const QString file = name.section(u'/', -1);
    EXPECT_TRUE(file.startsWith(u"Regalon__5C2E9A41-7B03-4F6D-9E18-A2D47B6C0E95_"_qs)) << file.toStdString();
    EXPECT_TRUE(file.endsWith(u'-' + QString::number(getuid())));
    EXPECT_FALSE(file.contains(u' ') || file.contains(u'{') || file.contains(u'}'));
    EXPECT_NE(TSingleInstance::ServerName(u"a b"_qs), TSingleInstance::ServerName(u"a c"_qs));
}

TEST(SingleInstance, aSecondStartAsksTheFirstToRestore)
{
    const QString title = uniqueTitle();
    TSingleInstance first(title);
    EXPECT_FALSE(first.SignalRunningInstance());
    ASSERT_TRUE(first.Listen()) << first.ErrorString().toStdString();
    QSignalSpy restores(&first, &TSingleInstance::RestoreRequested);

    TSingleInstance second(title);
    EXPECT_TRUE(second.SignalRunningInstance());
    QTRY_COMPARE(restores.size(), 1);
    EXPECT_TRUE(second.SignalRunningInstance());
    QTRY_COMPARE(restores.size(), 2);

    EXPECT_FALSE(second.Listen());  // the name belongs to the first
    EXPECT_FALSE(second.ErrorString().isEmpty());
    EXPECT_TRUE(first.Listening());
}

TEST(SingleInstance, aConnectionWithoutARequestRestoresNothing)
{
    const QString title = uniqueTitle();
    TSingleInstance first(title);
    ASSERT_TRUE(first.Listen());
    QSignalSpy restores(&first, &TSingleInstance::RestoreRequested);
    TSingleInstance second(title);
    EXPECT_FALSE(second.Listen());  // probes the name, sends nothing
    QTest::qWait(50);
    EXPECT_TRUE(restores.isEmpty());
}

TEST(SingleInstance, aSocketLeftByACrashDoesNotBlockTheNextStart)
{
    const QString title = uniqueTitle();
    const QString path = TSingleInstance::ServerName(title);
    ASSERT_TRUE(leaveStaleSocket(path));

    TSingleInstance next(title);
    EXPECT_FALSE(next.SignalRunningInstance());
    ASSERT_TRUE(next.Listen()) << next.ErrorString().toStdString();
    QSignalSpy restores(&next, &TSingleInstance::RestoreRequested);
    TSingleInstance later(title);
    EXPECT_TRUE(later.SignalRunningInstance());
    QTRY_COMPARE(restores.size(), 1);
}

TEST(SingleInstance, aSecondProcessFindsTheFirstAndEnds)
{
    const QString probe = QCoreApplication::applicationDirPath() + u"/singleinstance_probe"_qs;
    ASSERT_TRUE(QFile::exists(probe));
    const QString title = uniqueTitle();

    QProcess alone;
    alone.start(probe, {title});
    ASSERT_TRUE(alone.waitForFinished(10000));
    EXPECT_EQ(alone.exitCode(), 1);

    TSingleInstance first(title);
    ASSERT_TRUE(first.Listen());
    QSignalSpy restores(&first, &TSingleInstance::RestoreRequested);
    QProcess second;
    second.start(probe, {title});
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 10000);
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    QTRY_COMPARE(restores.size(), 1);
}
