#include "mainwindow_fixture.h"
#include "tests/support/settle.h"

#include "data/docstore.h"
#include "sqlite/sql3_utils.h"
#include "toolkit/codeeditor.h"
#include "toolkit/shell.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScopeGuard>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>

namespace {

class ContentView : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        docs = folder.File("docs");
        QDir().mkpath(docs);
    }

    // One item whose content is the given lines (joined with CR LF, as the item dialog stores them).
    TfMain& OpenWith(const QStringList& lines, const QString& mainDocument = QString())
    {
        Sql("INSERT INTO MATR VALUES(1,0,'Výkres','','A'," + QuoteString(mainDocument) + ","
            + QuoteString(lines.join("\r\n")) + ")");
        TfMain& w = Open();
        w.show();
        Settle();
        return w;
    }
    TCodeEditor& Memo() { return *window->memo; }

    // The centre of a character cell of the content view, in its viewport; a column beyond the
    // end of the line lies that many cells further right.
    QPoint Cell(int line, int column)
    {
        const QTextBlock block = Memo().document()->findBlockByNumber(line);
        QTextCursor cursor(block);
        const int inLine = std::min(column, block.length() - 1);
        cursor.setPosition(block.position() + inLine);
        const QRect rect = Memo().cursorRect(cursor);
        const int cell = QFontMetrics(Memo().font()).horizontalAdvance('x');
        return {rect.left() + cell / 2 + (column - inLine) * cell, rect.center().y()};
    }
    void Click(int line, int column) { QTest::mouseClick(Memo().viewport(), Qt::LeftButton, {}, Cell(line, column)); }
    int Kind(int line, int column, QString& target)
    {
        Memo().SetCaretPos({line, column});
        return window->LinkAtCaret(target);
    }
    QString Target(int line, int column)
    {
        QString target;
        Kind(line, column, target);
        return target;
    }
    QString MakeFile(const QString& name, const QByteArray& bytes = "obsah")
    {
        return folder.WriteFile("docs/" + name, bytes);
    }

    QString docs;
    ShellHooks::Recorder shell;
};

TEST_F(ContentView, ShowsTheCurrentItemsPathAndContentAndFollowsTheList)
{
    Sql("INSERT INTO MATR VALUES(2,0,'Zámek','','B','/data/zámek.pdf','druhý')");
    TfMain& w = OpenWith({"první řádek", "", "třetí"}, "/data/výkres.pdf");
    ASSERT_TRUE(w.table.Locate("IDENT", 1));
    EXPECT_EQ(w.textPath->text(), "/data/výkres.pdf");
    EXPECT_GE(w.textPath->width(), w.textPath->fontMetrics().horizontalAdvance(w.textPath->text()));
    EXPECT_EQ(w.textPath->x(), 100);
    EXPECT_EQ(w.textPath->toolTip(), w.textPath->text());
    // CR LF line ends make one line each.
    EXPECT_EQ(Memo().Lines(), QStringList({"první řádek", "", "třetí"}));
    EXPECT_TRUE(Memo().isReadOnly());

    ASSERT_TRUE(w.table.Locate("IDENT", 2));
    EXPECT_EQ(w.textPath->text(), "/data/zámek.pdf");
    EXPECT_EQ(Memo().Lines(), QStringList({"druhý"}));

    data.db.ExecSQL("DELETE FROM MATR");
    w.table.Requery();
    EXPECT_TRUE(w.textPath->text().isEmpty());
    EXPECT_EQ(Memo().LineCount(), 0);
}

TEST_F(ContentView, LinkAtCaretFollowsTheTokenRule)
{
    OpenWith({
        "viz file:///data/v=FDkres.pdf, a http://example.org/a?b=1.",
        "FILE:///data/x.pdf Http://example.org https://example.org/a/../b..c",
        "file:///data/a[1].pdf \"https://example.org/q\" file:///data/sešit.pdf",
        "ftp://example.org/x mailto:someone@example.org",
    });
    QString target;
    EXPECT_EQ(Kind(0, 0, target), 0);  // plain text
    EXPECT_EQ(Kind(0, 4, target), 1);  // the scheme's first letter
    EXPECT_EQ(target, "/data/výkres.pdf");
    EXPECT_EQ(Kind(0, 28, target), 1);
    EXPECT_EQ(Kind(0, 29, target), 0);  // the "," is dropped from the end of the link
    EXPECT_EQ(Target(0, 35), "http://example.org/a?b=1");  // the final "." dropped
    EXPECT_EQ(Kind(0, 100, target), 0);                       // beyond the end of the line
    EXPECT_TRUE(target.isEmpty());

    // Both schemes are compared exactly.
    EXPECT_EQ(Kind(1, 2, target), 0);
    EXPECT_EQ(Kind(1, 22, target), 0);
    // Two dots stay between two "/", and end the run elsewhere.
    EXPECT_EQ(Kind(1, 40, target), 2);
    EXPECT_EQ(target, "https://example.org/a/../b");

    EXPECT_EQ(Target(2, 3), "/data/a");  // cut at the bracket
    EXPECT_EQ(Kind(2, 17, target), 0);   // "[1].pdf" is plain text
    EXPECT_EQ(Target(2, 25), "https://example.org/q");
    EXPECT_EQ(Target(2, 50), "/data/se");  // a letter above 7-bit ASCII ends the link

    // Highlighted, but neither a file nor a web link.
    EXPECT_EQ(Kind(3, 2, target), 0);
    EXPECT_EQ(Kind(3, 25, target), 0);
}

TEST_F(ContentView, FileLinkTargetsAreDecoded)
{
    const QString spaced = "/data/Moje dokumenty/výkres č. 1.pdf";
    const QString broken = "/data/" + QString(80, 'x') + ".pdf";  // long enough for soft line breaks
    OpenWith({EncodeFileLink(spaced), EncodeFileLink(broken), "file:///a%32b%13c", "file:///x%3232"});
    EXPECT_TRUE(Memo().Lines()[1].contains("=%13"));
    EXPECT_EQ(Target(0, 3), spaced);
    EXPECT_EQ(Target(1, 3), broken);
    EXPECT_EQ(Target(2, 3), "/a b\r\nc");
    EXPECT_EQ(Target(3, 3), "/x 32");  // "%32" written into a path is a blank there
}

TEST_F(ContentView, ClickingAFileLinkOpensTheFileWhileTheProgressPanelShows)
{
    const QString path = MakeFile("plán skladu.txt");
    OpenWith({"  " + EncodeFileLink(path) + " konec"});
    bool panelShown = false;
    QString panelText;
    QString panelFile;
    ShellHooks::SetOpener([&](const QUrl& url) {
        panelShown = window->panelProgress->isVisible();
        panelText = window->progressText->text();
        panelFile = window->currentFile->text();
        return url.isLocalFile();
    });
    Click(0, 4);
    EXPECT_TRUE(panelShown);
    EXPECT_EQ(panelText, "Rozbaluji dokument");
    EXPECT_EQ(panelFile, path);
    EXPECT_FALSE(window->brCancel->isVisible());
    EXPECT_FALSE(window->panelProgress->isVisible());
    EXPECT_TRUE(window->currentFile->text().isEmpty());

    ShellHooks::Recorder again;
    Click(0, 4);
    ASSERT_EQ(again.Opened().size(), 1);
    EXPECT_EQ(again.Opened()[0].toLocalFile(), path);
}

TEST_F(ContentView, ClicksOnWebLinksOpenTheAddressAndOtherClicksNothing)
{
    OpenWith({"web https://example.org/hledej?q=regal%20a", "jen text", "FILE:///tmp"});
    Click(0, 10);
    ASSERT_EQ(shell.Opened().size(), 1);
    EXPECT_EQ(shell.Opened()[0], QUrl("https://example.org/hledej?q=regal%20a", QUrl::TolerantMode));
    shell.Clear();

    Click(1, 2);   // plain text
    Click(0, 60);  // beyond the end of a line that ends in a link
    Click(2, 3);   // a file scheme in capitals
    QTest::mouseClick(Memo().viewport(), Qt::LeftButton, {}, {8, Memo().viewport()->height() - 4});  // below the text
    EXPECT_TRUE(shell.Opened().isEmpty());
    EXPECT_FALSE(window->panelProgress->isVisible());
}

TEST_F(ContentView, StoredDocumentsOpenFromTheirCopyAndMissingOnesOpenNothing)
{
    const QString gone = MakeFile("smlouva.txt", "uložená smlouva");
    ASSERT_TRUE(data.StoreDocument(gone));
    ASSERT_TRUE(QFile::remove(gone));
    OpenWith({EncodeFileLink(gone), EncodeFileLink(docs + "/nikdy.txt")});

    Click(0, 3);
    ASSERT_EQ(shell.Opened().size(), 1);
    const QString copy = shell.Opened()[0].toLocalFile();
    EXPECT_EQ(copy, folder.WorkFolder() + "/DOKUM/smlouva.txt");
    QFile unpacked(copy);
    ASSERT_TRUE(unpacked.open(QIODevice::ReadOnly));
    EXPECT_EQ(unpacked.readAll(), QByteArray("uložená smlouva"));
    shell.Clear();

    // Neither at its path nor stored: nothing opens, nothing is said, the panel goes again.
    Click(1, 3);
    EXPECT_TRUE(shell.Opened().isEmpty());
    EXPECT_TRUE(MessageBoxAnswers::History().empty());
    EXPECT_FALSE(window->panelProgress->isVisible());
}

TEST_F(ContentView, HandCursorOnlyOverLinksWithExactSchemes)
{
    OpenWith({"text file:///tmp/a.txt FILE:///tmp/b.txt http://x.cz"});
    QWidget* viewport = Memo().viewport();
    const auto shapeAt = [&](int column) {
        QTest::mouseMove(viewport, Cell(0, column));
        return viewport->cursor().shape();
    };
    EXPECT_EQ(shapeAt(8), Qt::PointingHandCursor);
    EXPECT_EQ(shapeAt(2), Qt::IBeamCursor);
    EXPECT_EQ(shapeAt(26), Qt::IBeamCursor);
    EXPECT_EQ(shapeAt(45), Qt::PointingHandCursor);
    EXPECT_EQ(shapeAt(56), Qt::IBeamCursor);  // beyond the end of the line
}

TEST_F(ContentView, PopupEntriesFollowTheLinkUnderTheCaret)
{
    const QString path = MakeFile("schéma.pdf");
    OpenWith({"https://example.org " + EncodeFileLink(path), "bez odkazu"});
    TfMain& w = *window;

    Memo().SetCaretPos({1, 2});
    w.popupMemoPopup();
    EXPECT_FALSE(w.openMemo->isEnabled());
    EXPECT_FALSE(w.openFolder->isEnabled());

    // Over a web link "Ukaž ve složce" is offered but does nothing.
    Memo().SetCaretPos({0, 3});
    w.popupMemoPopup();
    EXPECT_TRUE(w.openMemo->isEnabled());
    EXPECT_TRUE(w.openFolder->isEnabled());
    w.openFolder->trigger();
    EXPECT_TRUE(shell.Shown().isEmpty());
    EXPECT_TRUE(shell.Opened().isEmpty());
    w.openMemo->trigger();
    EXPECT_EQ(shell.Opened().size(), 1);
    shell.Clear();

    Memo().SetCaretPos({0, 25});
    w.popupMemoPopup();
    EXPECT_TRUE(w.openFolder->isEnabled());
    w.openFolder->trigger();
    ASSERT_EQ(shell.Shown().size(), 1);
    EXPECT_EQ(shell.Shown()[0].toLocalFile(), path);
    EXPECT_FALSE(w.panelProgress->isVisible());

    // A right click moves the caret, then the menu opens with its entries set for that place.
    const QPoint plain = Cell(1, 3);
    QTest::mousePress(Memo().viewport(), Qt::RightButton, {}, plain);
    EXPECT_EQ(Memo().CaretPos(), (TTextPos{1, 3}));
    QContextMenuEvent menu(QContextMenuEvent::Mouse, plain, Memo().viewport()->mapToGlobal(plain));
    QApplication::sendEvent(Memo().viewport(), &menu);
    EXPECT_TRUE(w.popupMemo->isVisible());
    EXPECT_FALSE(w.openMemo->isEnabled());
    w.popupMemo->hide();
}

TEST_F(ContentView, MainDocumentOpensAsStoredAndNotWhenBlank)
{
    // The stored copy is keyed by the path with its leading blanks.
    const QString real = MakeFile("návod.pdf", "návod");
    ASSERT_TRUE(data.StoreDocument(real));
    Sql("UPDATE DOCS SET DOCPATH=" + QuoteString("  " + real));
    ASSERT_TRUE(QFile::remove(real));
    Sql("INSERT INTO MATR VALUES(2,0,'Bez','','B','   ',NULL)");
    TfMain& w = OpenWith({}, "  " + real);

    ASSERT_TRUE(w.table.Locate("IDENT", 1));
    QTest::mouseClick(w.textPath, Qt::LeftButton);
    ASSERT_EQ(shell.Opened().size(), 1);
    EXPECT_EQ(shell.Opened()[0].toLocalFile(), folder.WorkFolder() + "/DOKUM/návod.pdf");
    w.docFolderClick();
    ASSERT_EQ(shell.Shown().size(), 1);
    EXPECT_EQ(shell.Shown()[0].toLocalFile(), folder.WorkFolder() + "/DOKUM/návod.pdf");
    EXPECT_FALSE(w.panelProgress->isVisible());
    shell.Clear();

    ASSERT_TRUE(w.table.Locate("IDENT", 2));
    w.toolDoc->trigger();
    w.docFolderClick();
    EXPECT_TRUE(shell.Opened().isEmpty());
    EXPECT_TRUE(shell.Shown().isEmpty());
}

// A stored copy that cannot be unpacked is told in a box, with no progress panel left behind it.
TEST_F(ContentView, ABoxAboutADamagedStoredCopyHasNoProgressPanelBehindIt)
{
    const QString real = MakeFile("návod.pdf", "návod");
    ASSERT_TRUE(data.StoreDocument(real));
    Sql("UPDATE DOCS SET ZIP=zeroblob(length(ZIP))");
    ASSERT_TRUE(QFile::remove(real));
    TfMain& w = OpenWith({}, real);
    MessageBoxAnswers::Enable(false);
    const auto answering = qScopeGuard([] { MessageBoxAnswers::Enable(true); });
    std::optional<bool> panelBehindBox;
    WhenModal([&](QDialog& box) {
        panelBehindBox = w.panelProgress->isVisible();
        box.reject();
    });
    w.toolDoc->trigger();
    ASSERT_TRUE(panelBehindBox.has_value());
    EXPECT_FALSE(*panelBehindBox);
    EXPECT_TRUE(shell.Opened().isEmpty());
}

TEST_F(ContentView, WorkFolderHelpAndAbout)
{
    TfMain& w = OpenWith({});
    w.workAreaClick();
    ASSERT_EQ(shell.Opened().size(), 1);
    EXPECT_EQ(QDir(shell.Opened()[0].toLocalFile()), QDir(folder.WorkFolder()));

    // The test binary has no help beside it: the box names where it was looked for.
    w.toolHelp->trigger();
    EXPECT_EQ(shell.Opened().size(), 1);
    const MessageBoxAnswers::Shown* help = LastMessage();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->text.endsWith("ručně:\n" + QCoreApplication::applicationFilePath() + ".pdf")) << help->text.toStdString();
    EXPECT_EQ(help->owner, &w);

    w.toolOprogClick();
    const MessageBoxAnswers::Shown* about = LastMessage();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->caption, "O programu...");
    EXPECT_EQ(about->icon, QMessageBox::Information);
    EXPECT_EQ(about->buttons, QMessageBox::Ok);
    const QStringList lines = about->text.split('\n');
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], "Velmi jednoduchý univerzální regalon.");
    EXPECT_EQ(lines[1], "verze 1.28");
    EXPECT_TRUE(lines[2].isEmpty());
    EXPECT_EQ(about->owner, &w);
}

}  // namespace
