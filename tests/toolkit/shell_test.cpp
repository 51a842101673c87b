#include "toolkit/shell.h"
#include "toolkit/messagebox.h"

#include "tests/support/environmentguard.h"
#include "tests/support/settle.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

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

namespace {

class OpenOrSay : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        MessageBoxAnswers::Reset();
        MessageBoxAnswers::Enable(true);
    }
    void TearDown() override
    {
        MessageBoxAnswers::Enable(false);
        MessageBoxAnswers::Reset();
    }
    // The last box shown names the file at its end, for the user to open by hand.
    void ExpectToldAbout(const QString& path, const QWidget* owner)
    {
        ASSERT_FALSE(MessageBoxAnswers::History().empty());
        const MessageBoxAnswers::Shown& box = MessageBoxAnswers::History().back();
        EXPECT_EQ(box.icon, QMessageBox::Warning);
        EXPECT_EQ(box.owner, owner);
        EXPECT_TRUE(box.text.startsWith(u"Dokument se nepodařilo otevřít."_qs)) << box.text.toStdString();
        EXPECT_TRUE(box.text.endsWith(u"Otevřete jej prosím ručně:\n"_qs + path)) << box.text.toStdString();
    }
    // A stand-in for xdg-open on PATH: notes what it was given and ends with `code`.
    QByteArray FakeLauncher(int code)
    {
        QFile script(dir.filePath(u"xdg-open"_qs));
        EXPECT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s' \"$1\" > \"${0%/*}/given\"\nexit " + QByteArray::number(code) + "\n");
        script.close();
        script.setPermissions(script.permissions() | QFile::ExeOwner);
        return QFile::encodeName(dir.path());
    }
    QString Given() const
    {
        QFile given(dir.filePath(u"given"_qs));
        return given.open(QIODevice::ReadOnly) ? QString::fromUtf8(given.readAll()) : QString();
    }

    QWidget owner;
};

}  // namespace

TEST_F(OpenOrSay, saysWhenTheDesktopRefusesOrTheFileIsMissingAndNothingWhenItOpens)
{
    {
        ShellHooks::Recorder opening;
        OpenDocumentOrSay(&owner, file);
        EXPECT_EQ(opening.Opened(), QList<QUrl>{QUrl::fromLocalFile(file)});
        EXPECT_TRUE(MessageBoxAnswers::History().empty());
    }
    ShellHooks::Recorder refusing(false);
    OpenDocumentOrSay(&owner, file);
    ExpectToldAbout(file, &owner);
    EXPECT_TRUE(MessageBoxAnswers::History().back().text.contains(u"xdg-utils"_qs));

    const QString gone = dir.filePath(u"pryč.pdf"_qs);
    refusing.Clear();
    OpenDocumentOrSay(&owner, gone);
    EXPECT_TRUE(refusing.Opened().isEmpty());
    ExpectToldAbout(gone, &owner);
    EXPECT_TRUE(MessageBoxAnswers::History().back().text.contains(u"nebyl nalezen"_qs));
}

TEST_F(OpenOrSay, aLauncherThatEndsWithAFailureIsToldLater)
{
    EnvironmentGuard path("PATH", FakeLauncher(3));
    OpenDocumentOrSay(&owner, file);
    ASSERT_TRUE(WaitUntil([] { return !MessageBoxAnswers::History().empty(); }));
    EXPECT_EQ(Given(), file);  // as a path: a name with blanks and diacritics arrives whole
    ExpectToldAbout(file, &owner);
    EXPECT_FALSE(MessageBoxAnswers::History().back().text.contains(u"xdg-utils"_qs));  // it is there
}
