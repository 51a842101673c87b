#include "toolkit/shell.h"

#include "tests/support/environmentguard.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        file = dir.filePath(u"výkres 1.pdf"_qs);
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    }

    QTemporaryDir dir;
    QString file;
};

}  // namespace

TEST_F(ShellTest, opensFilesFoldersAndAddressesThroughTheOpener)
{
    ShellHooks::Recorder shell;
    EXPECT_TRUE(OpenDocument(file));
    EXPECT_TRUE(ExploreFolder(dir.path()));
    EXPECT_TRUE(OpenUrl(u"https://example.com/a?b=1&c=%20#d"_qs));
    ASSERT_EQ(shell.Opened().size(), 3);
    EXPECT_EQ(shell.Opened()[0], QUrl::fromLocalFile(file));
    EXPECT_EQ(shell.Opened()[1].toLocalFile(), dir.path());
    EXPECT_EQ(shell.Opened()[2].toEncoded(), "https://example.com/a?b=1&c=%20#d");
    EXPECT_TRUE(shell.Shown().isEmpty());
}

TEST_F(ShellTest, reportsWhatTheDesktopAnswers)
{
    ShellHooks::Recorder refusing(false, false);
    EXPECT_FALSE(OpenDocument(file));
    EXPECT_FALSE(OpenUrl(u"http://x.cz"_qs));
}

TEST_F(ShellTest, showsTheFileSelectedWhenTheFileManagerAnswers)
{
    ShellHooks::Recorder shell(true, true);
    EXPECT_TRUE(ShowInFolder(file));
    ASSERT_EQ(shell.Shown().size(), 1);
    EXPECT_EQ(shell.Shown()[0], QUrl::fromLocalFile(file));
    EXPECT_TRUE(shell.Opened().isEmpty());
}

TEST_F(ShellTest, opensTheFolderWhenNoFileManagerAnswers)
{
    ShellHooks::Recorder shell(true, false);
    EXPECT_TRUE(ShowInFolder(file));
    ASSERT_EQ(shell.Opened().size(), 1);
    EXPECT_EQ(shell.Opened()[0].toLocalFile(), dir.path());

    ShellHooks::Recorder nothingWorks(false, false);
    EXPECT_FALSE(ShowInFolder(file));
}

TEST_F(ShellTest, showsNoMissingFile)
{
    ShellHooks::Recorder shell;
    EXPECT_FALSE(ShowInFolder(dir.filePath(u"gone.pdf"_qs)));
    EXPECT_FALSE(ShowInFolder(QString()));
    EXPECT_TRUE(shell.Shown().isEmpty());
    EXPECT_TRUE(shell.Opened().isEmpty());
}

TEST_F(ShellTest, withoutASessionBusFallsBackToTheFolder)
{
    EnvironmentGuard noBus("DBUS_SESSION_BUS_ADDRESS", QByteArray());
    EnvironmentGuard emptyRuntime("XDG_RUNTIME_DIR", dir.path().toUtf8());
    QList<QUrl> opened;
    ShellHooks::SetOpener([&opened](const QUrl& url) {
        opened.append(url);
        return true;
    });
    EXPECT_TRUE(ShowInFolder(file));
    ShellHooks::SetOpener({});
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].toLocalFile(), dir.path());
}
