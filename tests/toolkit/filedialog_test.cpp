#include "toolkit/filedialog.h"

#include "tests/support/settle.h"

#include <QAbstractProxyModel>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QCompleter>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QScopeGuard>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QAbstractItemView>
#include <QTreeView>

#include <gtest/gtest.h>

// The environment of the test speaks English ("C"); the dialog follows the program's locale.
TEST(FileDialog, showsSizesDatesAndFoldersInTheProgramsLocaleInColumnsWideEnoughForThem)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::Czechia));
    const auto restore = qScopeGuard([&] { QLocale::setDefault(previous); });
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("Výkresy"));
    QFile file(dir.filePath("plán.pdf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(300000, 'p'));
    file.close();

    QFileDialog dialog(nullptr, QString(), dir.path());
    PrepareFileDialog(dialog);
    const QSize room = dialog.screen()->availableSize();
    EXPECT_EQ(dialog.size(), QSize(880, 540).boundedTo(room).expandedTo(dialog.minimumSizeHint()));

    QAbstractProxyModel* shown = dialog.proxyModel();
    auto* files = dialog.findChild<QFileSystemModel*>();
    ASSERT_TRUE(shown && files);
    const QModelIndex folder = shown->mapFromSource(files->index(dir.path()));
    ASSERT_TRUE(WaitUntil([&] { return shown->rowCount(folder) == 2; }));
    auto text = [&](const QString& name, int column) {
        const QModelIndex source = files->index(dir.filePath(name));
        return shown->index(shown->mapFromSource(source).row(), column, folder).data().toString();
    };
    const QLocale czech;
    EXPECT_EQ(text("plán.pdf", 1), czech.formattedDataSize(300000));  // "292,97 KiB"
    EXPECT_EQ(text("Výkresy", 2), "Složka");
    const QString modified = text("plán.pdf", 3);
    EXPECT_EQ(modified, czech.toString(QFileInfo(file).lastModified(), QLocale::ShortFormat));

    QHeaderView* header = dialog.findChild<QTreeView*>("treeView")->header();
    EXPECT_GT(header->sectionSize(1), header->fontMetrics().horizontalAdvance(text("plán.pdf", 1)));
    EXPECT_GT(header->sectionSize(3), header->fontMetrics().horizontalAdvance(modified));
}

// After a path is typed and Enter closes the dialog, the name box's completion list goes too.
TEST(FileDialog, closingHidesTheNameBoxCompletionList)
{
    QTemporaryDir dir;
    QFile(dir.filePath("plán.pdf")).open(QIODevice::WriteOnly);
    QFileDialog dialog(nullptr, QString(), dir.path());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    PrepareFileDialog(dialog);
    dialog.show();
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_TRUE(name && name->completer());
    QCompleter* completer = name->completer();
    completer->setCompletionPrefix(QStringLiteral("p"));
    ASSERT_TRUE(WaitUntil([&] {
        completer->complete();  // the folder is listed in the background
        return completer->popup()->isVisible();
    }));
    static_cast<QDialog&>(dialog).done(QDialog::Accepted);  // as Enter in the name box ends it
    EXPECT_FALSE(completer->popup()->isVisible());
}

// The same with real keys: a path typed into the name box pops the completion list up, and Enter,
// delivered as the window system delivers it (to the pop-up while it shows), takes the file and
// leaves no list behind.
TEST(FileDialog, enterOnATypedPathClosesTheDialogAndItsCompletionList)
{
    QTemporaryDir dir;
    QFile(dir.filePath("plan.pdf")).open(QIODevice::WriteOnly);
    QFileDialog dialog(nullptr, QString(), dir.path());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    PrepareFileDialog(dialog);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_TRUE(name && name->completer());
    QAbstractItemView* popup = name->completer()->popup();
    // The folder is listed in the background; a name typed before the listing has come offers
    // nothing to complete, so the typing waits for it as a user's eyes would.
    auto* files = dialog.findChild<QFileSystemModel*>();
    ASSERT_NE(files, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return files->index(dir.filePath("plan.pdf")).isValid(); }));
    name->setFocus();
    QTest::keyClicks(name, dir.path() + QStringLiteral("/pl"));
    ASSERT_TRUE(WaitUntil([&] { return popup->isVisible(); }));
    QTest::keyClicks(name, QStringLiteral("an.pdf"));
    QTest::keyClick(dialog.windowHandle(), Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] { return !dialog.isVisible(); }));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.selectedFiles(), QStringList{dir.filePath("plan.pdf")});
    EXPECT_FALSE(popup->isVisible());
}
