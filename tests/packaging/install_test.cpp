// The program installed into a temporary DESTDIR the way a package installs it, and started there.

#include "toolkit/singleinstance.h"

#include "tests/support/environmentguard.h"
#include "tests/support/socketfile.h"
#include "tests/support/settle.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// What a symbolic link says, as written.
QString LinkText(const QString& path)
{
    char buffer[4096] = {};
    const ssize_t length = ::readlink(QFile::encodeName(path).constData(), buffer, sizeof(buffer) - 1);
    return length > 0 ? QFile::decodeName(QByteArray(buffer, length)) : QString();
}

class InstalledProgram : public ::testing::Test {
protected:
    // Installs the build into DESTDIR with the prefix; false (with the reason traced) on failure.
    bool Install(const QString& prefix)
    {
        prefix_ = prefix;
        QProcess install;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"DESTDIR"_qs, destdir.path());
        install.setProcessEnvironment(env);
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(QStringLiteral(REGALON_CMAKE), {u"--install"_qs, QStringLiteral(REGALON_BUILD_DIR), u"--prefix"_qs, prefix});
        const bool done = install.waitForFinished(120000) && install.exitStatus() == QProcess::NormalExit
                          && install.exitCode() == 0;
        if (!done)
            ADD_FAILURE() << install.readAll().toStdString();
        return done;
    }
    QString Installed(const QString& relative) const { return destdir.path() + prefix_ + u'/' + relative; }

    // Every file and link below the prefix, relative to it.
    QStringList InstalledFiles() const
    {
        const QString root = destdir.path() + prefix_;
        QStringList files;
        QDirIterator it(root, QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(root).relativeFilePath(it.next());
        files.sort();
        return files;
    }

    QTemporaryDir destdir;
    QString prefix_;
};

}  // namespace

TEST_F(InstalledProgram, aSystemInstallPutsEveryFileWhereADebianDesktopExpectsIt)
{
    ASSERT_TRUE(Install(u"/usr"_qs));
    QStringList expected{u"bin/regalon"_qs,
                         u"bin/regalon-extract"_qs,
                         u"lib/regalon/libsqlite3.so.0"_qs,
                         u"share/applications/regalon.desktop"_qs,
                         u"share/doc-base/regalon"_qs,
                         u"share/doc/regalon/changelog.gz"_qs,
                         u"share/doc/regalon/copyright"_qs,
                         u"share/doc/regalon/regalon.pdf"_qs,
                         u"share/regalon/regalon.pdf"_qs,
                         u"share/icons/hicolor/scalable/apps/regalon.svg"_qs,
                         u"share/man/man1/regalon.1.gz"_qs,
                         u"share/metainfo/"_qs + QStringLiteral(REGALON_APP_ID) + u".metainfo.xml"_qs};
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        expected << u"share/icons/hicolor/%1x%1/apps/regalon.png"_qs.arg(size);
    expected.sort();
    EXPECT_EQ(InstalledFiles(), expected);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        EXPECT_EQ(QImage(Installed(u"share/icons/hicolor/%1x%1/apps/regalon.png"_qs.arg(size))).size(), QSize(size, size));

    // The engine link follows the system's own soname link, relative within /usr as Debian wants.
    const QString link = LinkText(Installed(u"lib/regalon/libsqlite3.so.0"_qs));
    EXPECT_FALSE(QDir::isAbsolutePath(link)) << link.toStdString();
    EXPECT_TRUE(QFileInfo::exists(QDir::cleanPath(u"/usr/lib/regalon/"_qs + link))) << link.toStdString();

    // The help lives with the program's data, which a system keeps even where it leaves out
    // share/doc; the documentation folder only links to it.
    EXPECT_TRUE(QFileInfo(Installed(u"share/regalon/regalon.pdf"_qs)).isFile());
    EXPECT_FALSE(QFileInfo(Installed(u"share/regalon/regalon.pdf"_qs)).isSymLink());
    EXPECT_EQ(LinkText(Installed(u"share/doc/regalon/regalon.pdf"_qs)), u"../../regalon/regalon.pdf"_qs);
}

TEST_F(InstalledProgram, startsFromItsFolderFindsItsFilesAndMakesACataloguePastASquattedSocket)
{
    ASSERT_TRUE(Install(u"/opt/regalon"_qs));
    const QString program = Installed(u"bin/regalon"_qs);

    QProcess version;
    version.start(program, {u"--version"_qs});
    ASSERT_TRUE(version.waitForFinished(30000));
    const QStringList lines = QString::fromLocal8Bit(version.readAllStandardOutput()).split(u'\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[1], u"Knihovna SQLite: "_qs + Installed(u"lib/regalon/libsqlite3.so.0"_qs));
    EXPECT_EQ(lines[2], u"Příručka: "_qs + Installed(u"share/regalon/regalon.pdf"_qs));
    EXPECT_TRUE(QFileInfo(Installed(u"lib/regalon/libsqlite3.so.0"_qs)).isFile());  // the link resolves

    // Started with a work folder and a runtime folder of its own, where something already holds
    // the instance socket without ever answering.
    QTemporaryDir dataHome, runtime;
    EnvironmentGuard runtimeDir("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    TSocketFile squatter(TSingleInstance::ServerName(QString::fromLatin1(kInstanceTitle)), TSocketFile::Kind::Silent);
    ASSERT_TRUE(squatter.Made());
    QProcess running;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_DATA_HOME"_qs, dataHome.path());
    env.insert(u"QT_QPA_PLATFORM"_qs, u"offscreen"_qs);
    running.setProcessEnvironment(env);
    running.start(program, {});
    const QString catalogue = dataHome.path() + u"/Regalon {5C2E9A41-7B03-4F6D-9E18-A2D47B6C0E95}/regalon.db3"_qs;
    auto made = [&] {
        QFile file(catalogue);
        return file.open(QIODevice::ReadOnly) && file.read(16) == QByteArray("SQLite format 3\0", 16);
    };
    ASSERT_TRUE(WaitUntil([&] { return made() || running.state() == QProcess::NotRunning; }, 60'000));
    EXPECT_TRUE(made()) << running.readAllStandardError().toStdString();
    EXPECT_TRUE(squatter.Contacted());
    EXPECT_EQ(running.state(), QProcess::Running);
    running.kill();
    running.waitForFinished(10000);
}
