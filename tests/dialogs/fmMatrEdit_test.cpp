#include "dialogs/fmMatrEdit.h"

#include "lockedsave.h"
#include "modal.h"

#include "data/bz2.h"
#include "data/docstore.h"
#include "data/grouptree.h"
#include "data/progress.h"
#include "toolkit/guard.h"
#include "tests/data/catalogue.h"
#include "tests/support/controlnames.h"
#include "toolkit/codeeditor.h"
#include "sqlite/sql3_utils.h"
#include "toolkit/messagebox.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

namespace {

class ItemDialogTest : public CatalogueTest {
protected:
    void SetUp() override
    {
        CatalogueTest::SetUp();
        SetErrorHandler([this](const Exception& e) { errors << e.Message(); });
        MessageBoxAnswers::Reset();
        // Every file dialog takes the next queued choice; an empty one cancels.
        SetFileSelectExec([this](QFileDialog& fileSelect) {
            presets << fileSelect.selectedFiles().value(0);
            const QString next = choices.isEmpty() ? QString() : choices.takeFirst();
            if (next.isEmpty())
                return int(QDialog::Rejected);
            fileSelect.selectFile(next);
            return int(QDialog::Accepted);
        });
    }
    void TearDown() override
    {
        SetFileSelectExec(nullptr);
        SetErrorHandler(nullptr);
    }

    // MATR as "IDENT|IDTYP|NAZEV|POPIS|MISTO|PATH_DOK|OBSAH", NULL shown as "~".
    QStringList Items()
    {
        return Column("SELECT IDENT||'|'||IFNULL(IDTYP,'~')||'|'||IFNULL(NAZEV,'~')||'|'||IFNULL(POPIS,'~')||'|'"
                      "||IFNULL(MISTO,'~')||'|'||IFNULL(PATH_DOK,'~')||'|'||IFNULL(OBSAH,'~') FROM MATR ORDER BY IDENT");
    }
    QStringList Documents() { return Column("SELECT DOCPATH FROM DOCS ORDER BY DOCPATH"); }
    void Click(QDialog& d, const char* name) { QTest::mouseClick(Control<QAbstractButton>(d, name), Qt::LeftButton); }
    TCodeEditor* Memo(QDialog& d) { return Control<TCodeEditor>(d, "memo"); }
    int Edit(int ident)
    {
        int newIdent = 0;
        return ItemDialog(ident, 0, nullptr, "Úprava položky", newIdent);
    }

    QStringList errors;
    QStringList choices;  // what the file dialog answers, in turn
    QStringList presets;  // what it held when it was shown
};

TEST_F(ItemDialogTest, CancelledNewItemLeavesNeitherRowNorStoredDocument)
{
    const QString file = folder.WriteFile("dokumenty/výkres.txt", QByteArray(5000, 'v'));
    choices << file;
    QTreeWidget tree;
    auto* noGroup = new TGroupNode(NoGroupText(), TTreeData(NoGroupIdent, QString()));
    tree.addTopLevelItem(noGroup);
    QString root, group, path, progress, title;
    QStringList storedMeanwhile;
    bool barHidden = false;
    WhenModal([&](QDialog& d) {
        title = d.windowTitle();
        root = Control<QLabel>(d, "labelRoot")->text();
        group = Control<QLabel>(d, "labelGrp")->text();
        TypeText(Control<QLineEdit>(d, "edNazev"), "Výkres");
        Click(d, kChooseDocumentButton);
        path = Control<QLineEdit>(d, "edPath")->text();
        progress = Control<QLabel>(d, "labelProgress")->text();
        barHidden = Control<QProgressBar>(d, "progressBar")->isHidden() && Control<QLabel>(d, "labelProgress")->isHidden();
        storedMeanwhile = Documents();
        Click(d, "bCan");
    });
    int newIdent = 0;
    // A special node names no group: a negative group is taken as none.
    EXPECT_EQ(ItemDialog(0, -1, noGroup, "Nová položka", newIdent), 2);
    EXPECT_EQ(newIdent, 1);
    EXPECT_EQ(title, "Nová položka");
    EXPECT_EQ(root, "NEZAŘAZENO");
    EXPECT_EQ(group, "Neurčená skupina");
    EXPECT_EQ(path, file);
    EXPECT_EQ(progress, "Ukládám výkres.txt");
    EXPECT_TRUE(barHidden);
    EXPECT_EQ(ProgressWindow(), nullptr);
    EXPECT_EQ(storedMeanwhile, QStringList({file}));  // stored at once, inside the dialog's transaction
    EXPECT_TRUE(Items().isEmpty());
    EXPECT_TRUE(Documents().isEmpty());
    EXPECT_FALSE(data.db.TransactionActive());
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();

    // Esc cancels too.
    WhenModal([](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); });
    EXPECT_EQ(ItemDialog(0, 3, nullptr, "Nová položka", newIdent), 2);
    EXPECT_TRUE(Items().isEmpty());
}

TEST_F(ItemDialogTest, OkWritesEveryColumnWithTheContentLinesEndingInCrLf)
{
    Sql("INSERT INTO MATR (IDENT,IDTYP,NAZEV,POPIS,MISTO,PATH_DOK,OBSAH)"
        " VALUES(7,4,'Šroub','M6','Regál 1','/tmp/a.pdf','první' || char(13,10) || 'druhá');"
        "INSERT INTO MATR (IDENT,MISTO) VALUES(2,'Archiv');"
        "INSERT INTO MATR (IDENT,MISTO) VALUES(3,'Regál 1');");
    QStringList offered;
    WhenModal([&](QDialog& d) {
        auto* edMisto = Control<QComboBox>(d, "edMisto");
        for (int i = 0; i < edMisto->count(); ++i)
            offered << edMisto->itemText(i);
        offered << edMisto->currentText();
        auto* name = Control<QLineEdit>(d, "edNazev");
        name->selectAll();
        TypeText(name, "O'Brien");
        Control<QComboBox>(d, "edMisto")->setCurrentText("Skříň 'B'");
        Click(d, "bOK");
    });
    EXPECT_EQ(Edit(7), 1);
    EXPECT_EQ(offered, QStringList({"Archiv", "Regál 1", "Regál 1"}));  // each place once, then the row's
    // The group is written back unchanged; a last line without a break gets CR LF.
    EXPECT_EQ(Items().value(2), "7|4|O'Brien|M6|Skříň 'B'|/tmp/a.pdf|první\r\ndruhá\r\n");

    // A new item with nothing typed stores empty strings, not NULL, in the group it was given.
    WhenModal([&](QDialog& d) { Click(d, "bOK"); });
    int newIdent = 0;
    EXPECT_EQ(ItemDialog(0, 5, nullptr, "Nová položka", newIdent), 1);
    EXPECT_EQ(newIdent, 8);
    EXPECT_EQ(Items().value(3), "8|5|||||");
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

TEST_F(ItemDialogTest, GroupPathIsReadFromTheStoredTreeAndFromTheSelectedNode)
{
    Sql("INSERT INTO TYPY VALUES(1,0,0,'Dílna','');"
        "INSERT INTO TYPY VALUES(2,1,1,'Nářadí','');"
        "INSERT INTO TYPY VALUES(3,2,2,'Vrtáky','');"
        "INSERT INTO MATR (IDENT,IDTYP) VALUES(1,3);"
        "INSERT INTO MATR (IDENT,IDTYP) VALUES(2,0);"
        "INSERT INTO MATR (IDENT,IDTYP) VALUES(3,1);");
    auto labels = [&](int ident, QTreeWidgetItem* node = nullptr) {
        QString shown;
        WhenModal([&](QDialog& d) {
            shown = Control<QLabel>(d, "labelRoot")->text() + '#' + Control<QLabel>(d, "labelGrp")->text();
            d.reject();
        });
        int newIdent = 0;
        ItemDialog(ident, TreeData(node) ? TreeData(node)->Ident : 0, node, "X", newIdent);
        return shown;
    };
    EXPECT_EQ(labels(1), "Dílna > Nářadí > #Vrtáky");
    EXPECT_EQ(labels(2), "#");  // no group: both empty
    EXPECT_EQ(labels(3), "#Dílna");

    // A new item takes the texts from the tree the main window shows.
    QTreeWidget tree;
    auto* a = new TGroupNode("Dílna", TTreeData(1, ""));
    auto* b = new TGroupNode("Nářadí", TTreeData(2, ""));
    auto* c = new TGroupNode("Vrtáky", TTreeData(3, ""));
    tree.addTopLevelItem(a);
    a->addChild(b);
    b->addChild(c);
    EXPECT_EQ(labels(0, c), "Dílna > Nářadí > #Vrtáky");
    EXPECT_EQ(labels(0, a), "#Dílna");

    // Parents that run in a circle end the walk instead of hanging the dialog.
    Sql("UPDATE TYPY SET PARENT=3 WHERE IDENT=1");
    EXPECT_EQ(labels(1), "Dílna > Nářadí > #Vrtáky");
}

TEST_F(ItemDialogTest, BoxesKeepTheirLimitsAndRefuseLettersOutsideTheCodePage)
{
    int name = 0, description = 0, path = 0;
    QString place, typedPlace, content;
    WhenModal([&](QDialog& d) {
        auto* edNazev = Control<QLineEdit>(d, "edNazev");
        TypeText(edNazev, QString(33, 'n'));
        name = int(edNazev->text().size());
        auto* edPopis = Control<QLineEdit>(d, "edPopis");
        edPopis->insert(QString(70, 'p'));
        description = int(edPopis->text().size());
        auto* edPath = Control<QLineEdit>(d, "edPath");
        TypeText(edPath, QString(300, 'c'));
        path = int(edPath->text().size());
        edPath->clear();
        auto* edMisto = Control<QComboBox>(d, "edMisto");
        TypeText(edMisto->lineEdit(), QString(33, 'm'));
        place = edMisto->currentText();
        edMisto->clearEditText();
        TypeText(edMisto->lineEdit(), QString::fromUtf8("ŽЖ"));
        typedPlace = edMisto->currentText();
        edMisto->setCurrentText(place);
        Memo(d)->setFocus();
        TypeText(Memo(d), QString::fromUtf8("čЖ€"));
        content = Memo(d)->toPlainText();
        Click(d, "bOK");
    });
    int newIdent = 0;
    EXPECT_EQ(ItemDialog(0, 0, nullptr, "Nová položka", newIdent), 1);
    EXPECT_EQ(name, 32);
    EXPECT_EQ(description, 64);
    EXPECT_EQ(path, 255);
    EXPECT_EQ(place.size(), 32);  // the width of MISTO, like every other box
    EXPECT_EQ(typedPlace, QString::fromUtf8("Ž"));
    EXPECT_EQ(content, QString::fromUtf8("č€"));
    EXPECT_EQ(Value("SELECT LENGTH(MISTO) FROM MATR"), "32");
}

// Pasting and dropping go in without what the code page cannot hold, like typing.
TEST_F(ItemDialogTest, PastedAndDroppedTextKeepsOnlyWhatTheCodePageHolds)
{
    QString name, place, pasted, dropped;
    WhenModal([&](QDialog& d) {
        QApplication::clipboard()->setText(QString::fromUtf8("x→ñy"));
        auto* edNazev = Control<QLineEdit>(d, "edNazev");
        edNazev->paste();
        name = edNazev->text();
        auto* edMisto = Control<QComboBox>(d, "edMisto");
        edMisto->lineEdit()->paste();
        place = edMisto->currentText();
        Memo(d)->paste();
        pasted = Memo(d)->toPlainText();
        Memo(d)->clear();
        QMimeData text;
        text.setText(QString::fromUtf8("Šroub ⌀6 mm"));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Memo(d)->viewport(), &enter);
        QDragMoveEvent move(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Memo(d)->viewport(), &move);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Memo(d)->viewport(), &drop);
        dropped = Memo(d)->toPlainText();
        Click(d, "bOK");
    });
    int newIdent = 0;
    EXPECT_EQ(ItemDialog(0, 0, nullptr, "Nová položka", newIdent), 1);
    EXPECT_EQ(name, "xy");
    EXPECT_EQ(place, "xy");
    EXPECT_EQ(pasted, "xy");
    EXPECT_EQ(dropped, QString::fromUtf8("Šroub 6 mm"));
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    EXPECT_EQ(Items(), QStringList({QString::fromUtf8("1|0|xy||xy||Šroub 6 mm\r\n")}));
}

// A catalogue made elsewhere may hold texts longer than their columns' widths: they show whole
// and are written back whole unless the user edits that box.
TEST_F(ItemDialogTest, StoredTextsLongerThanTheirFieldsSurviveAnEditOfAnotherBox)
{
    const QString name(40, 'n'), description = QString::fromUtf8("popis ").repeated(12),
                  place = QString::fromUtf8("Regál ").repeated(7), path = "/dokumenty/" + QString(290, 'd');
    Sql(QString("INSERT INTO MATR VALUES(1,0,'%1','%2','%3','%4','obsah')").arg(name, description, place, path));
    QStringList shown;
    int placeLimit = 0;
    WhenModal([&](QDialog& d) {
        for (const char* box : {"edNazev", "edPopis", "edPath"})
            shown << Control<QLineEdit>(d, box)->text();
        auto* edMisto = Control<QComboBox>(d, "edMisto");
        shown << edMisto->currentText();
        TypeText(edMisto->lineEdit(), "x");  // no room left beyond the stored value
        placeLimit = int(edMisto->currentText().size());
        Memo(d)->setFocus();
        TypeText(Memo(d), "nový ");
        Click(d, "bOK");
    });
    EXPECT_EQ(Edit(1), 1);
    EXPECT_EQ(shown, QStringList({name, description, path, place}));
    EXPECT_EQ(placeLimit, place.size());
    EXPECT_EQ(Items(), QStringList({"1|0|" + name + '|' + description + '|' + place + '|' + path + "|nový obsah\r\n"}));

    // Edited, the box's text is written as it stands.
    WhenModal([&](QDialog& d) {
        QTest::keyClick(Control<QComboBox>(d, "edMisto")->lineEdit(), Qt::Key_Backspace);
        Click(d, "bOK");
    });
    EXPECT_EQ(Edit(1), 1);
    EXPECT_EQ(Value("SELECT MISTO FROM MATR"), place.chopped(1));
    EXPECT_EQ(Value("SELECT NAZEV FROM MATR"), name);

    // Another item takes that place whole from the list.
    WhenModal([&](QDialog& d) {
        auto* edMisto = Control<QComboBox>(d, "edMisto");
        edMisto->showPopup();
        QAbstractItemView* list = edMisto->view();
        const QModelIndex item = list->model()->index(edMisto->findText(place.chopped(1)), 0);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(item).center());
        Click(d, "bOK");
    });
    int newIdent = 0;
    EXPECT_EQ(ItemDialog(0, 0, nullptr, "Nová položka", newIdent), 1);
    EXPECT_EQ(Value("SELECT MISTO FROM MATR WHERE IDENT=2"), place.chopped(1));
}

// A place typed in another case than a listed one is stored as typed, after Enter and after
// the box loses the focus; only picking the listed entry takes that one.
TEST_F(ItemDialogTest, ATypedPlaceKeepsItsCaseBesideAListedOneInAnother)
{
    Sql("INSERT INTO MATR (IDENT,NAZEV,MISTO) VALUES(1,'Pila','DÍLNA');");
    WhenModal([&](QDialog& d) {
        QLineEdit* place = Control<QComboBox>(d, "edMisto")->lineEdit();
        place->setFocus();
        TypeText(place, "Dílna");
        QTest::keyClick(place, Qt::Key_Return);
        Click(d, "bOK");
    });
    int newIdent = 0;
    EXPECT_EQ(ItemDialog(0, 0, nullptr, "Nová položka", newIdent), 1);
    EXPECT_EQ(Value(QString("SELECT MISTO FROM MATR WHERE IDENT=%1").arg(newIdent)), "Dílna");
}

// Every text goes into the statement as a bound value: nothing in it is read as SQL, and it
// comes back as it was stored.
TEST_F(ItemDialogTest, TextsWithNulQuotesBackslashesLineBreaksAndWildcardsRoundTrip)
{
    const QString hostile = QString("a") + QChar(0) + "b'\"\\%_;--";
    const QString content = "první' OR 1=1 --\r\n" + hostile + "\r\n";
    Sql("INSERT INTO MATR (IDENT,NAZEV) VALUES(1,'jiné');");
    QStringList reopened;
    auto fill = [&](QDialog& d) {
        for (const char* box : {"edNazev", "edPopis", "edPath"})
            Control<QLineEdit>(d, box)->setText(hostile);
        Control<QComboBox>(d, "edMisto")->setCurrentText(hostile);
        Memo(d)->SetText(content);
        Click(d, "bOK");
    };
    WhenModal(fill);
    int newIdent = 0;
    ASSERT_EQ(ItemDialog(0, 0, nullptr, "Nová položka", newIdent), 1);
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    const QString stored = QString(ToCodePage(hostile).toHex().toUpper());
    EXPECT_EQ(Column("SELECT hex(NAZEV)||hex(POPIS)||hex(MISTO)||hex(PATH_DOK)||typeof(OBSAH) FROM MATR WHERE IDENT=2"),
              QStringList({stored.repeated(4) + "text"}));
    EXPECT_EQ(Value("SELECT hex(OBSAH) FROM MATR WHERE IDENT=2"), QString(ToCodePage(content).toHex().toUpper()));
    EXPECT_EQ(Value("SELECT NAZEV FROM MATR WHERE IDENT=1"), "jiné");

    WhenModal([&](QDialog& d) {
        for (const char* box : {"edNazev", "edPopis", "edPath"})
            reopened << Control<QLineEdit>(d, box)->text();
        reopened << Control<QComboBox>(d, "edMisto")->currentText() << Memo(d)->Lines().join("\r\n") + "\r\n";
        Click(d, "bCan");
    });
    Edit(2);
    EXPECT_EQ(reopened, QStringList({hostile, hostile, hostile, hostile, content}));
}

TEST_F(ItemDialogTest, LinkGoesInAtTheCaretLineAndItsFileIsStored)
{
    const QString spaced = folder.WriteFile("moje dokumenty/návod k použití.txt", "obsah");
    const QString plain = folder.WriteFile("plan.txt", "x");
    const QString missing = folder.File("zmizelý.txt");
    Sql("INSERT INTO MATR (IDENT,PATH_DOK,OBSAH) VALUES(1,'/doc.pdf','první' || char(13,10) || 'druhá')");
    choices << spaced << plain << missing;
    QStringList lines;
    QString path;
    WhenModal([&](QDialog& d) {
        Memo(d)->SetCaretPos({0, 3});
        Click(d, kInsertLinkButton);  // the caret on line 1: above the first line
        Memo(d)->SetCaretPos({2, 0});
        Click(d, kInsertLinkButton);
        Memo(d)->SetCaretPos({3, 5});  // on the last line
        Click(d, kInsertLinkButton);
        lines = Memo(d)->Lines();
        path = Control<QLineEdit>(d, "edPath")->text();
        Click(d, "bOK");
    });
    EXPECT_EQ(Edit(1), 1);
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[0].startsWith("file://")) << lines[0].toStdString();
    EXPECT_FALSE(lines[0].contains(' '));
    EXPECT_TRUE(lines[0].contains("moje%32dokumenty/n=E1vod%32k%32pou=9Eit=ED.txt")) << lines[0].toStdString();
    EXPECT_EQ(DecodeFileLink(lines[0]), spaced);
    EXPECT_EQ(lines[1], "první");
    EXPECT_EQ(DecodeFileLink(lines[2]), plain);
    EXPECT_EQ(DecodeFileLink(lines[3]), missing);  // linked, though there is nothing to store
    EXPECT_EQ(lines[4], "druhá");
    EXPECT_EQ(path, "/doc.pdf");
    EXPECT_EQ(Documents().size(), 2);
    EXPECT_TRUE(Documents().contains(spaced) && Documents().contains(plain));
    // The file dialog for a link is not preset: it holds the file chosen last.
    ASSERT_EQ(presets.size(), 3);
    EXPECT_EQ(presets[1], spaced);

    // With an empty content the link is the only line.
    Sql("INSERT INTO MATR (IDENT) VALUES(2)");
    choices << plain;
    WhenModal([&](QDialog& d) {
        Click(d, kInsertLinkButton);
        lines = Memo(d)->Lines();
        Click(d, "bOK");
    });
    EXPECT_EQ(Edit(2), 1);
    EXPECT_EQ(lines.size(), 1);
    EXPECT_EQ(Value("SELECT OBSAH FROM MATR WHERE IDENT=2"), lines.value(0) + "\r\n");
}

// The main document's file dialog is preset with the path box; a cancelled choice changes nothing.
TEST_F(ItemDialogTest, PathTheCodePageCannotHoldIsRefusedAndNothingIsStored)
{
    const QString foreign = folder.WriteFile(QString::fromUtf8("Жук.txt"), "ж");
    const QString longPath = folder.WriteFile(QString(250, 'd') + ".txt", "d");
    Sql("INSERT INTO MATR (IDENT,PATH_DOK) VALUES(1,'/old.pdf')");
    choices << QString() << QString() << foreign << foreign << longPath;
    QString shown;
    WhenModal([&](QDialog& d) {
        Click(d, kChooseDocumentButton);
        Click(d, kInsertLinkButton);
        Click(d, kChooseDocumentButton);
        Click(d, kInsertLinkButton);
        Click(d, kChooseDocumentButton);  // longer than the column: it would be cut
        shown = Control<QLineEdit>(d, "edPath")->text() + '#' + Memo(d)->toPlainText();
        Click(d, "bOK");
    });
    EXPECT_EQ(Edit(1), 1);
    EXPECT_EQ(shown, "/old.pdf#");
    EXPECT_EQ(presets.value(0), "/old.pdf");
    EXPECT_TRUE(Documents().isEmpty());
    const auto& boxes = MessageBoxAnswers::History();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "Cestu k souboru \"" + foreign
                                 + "\" nelze v katalogu uložit (obsahuje znaky mimo kódovou stránku Windows-1250).");
    EXPECT_EQ(boxes[0].caption, "Varování");
    EXPECT_TRUE(boxes[2].text.contains("255")) << boxes[2].text.toStdString();
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(ItemDialogTest, ProgressBarOnlyRisesWhileTheDialogIsOpen)
{
    const QString first = folder.WriteFile("first.bin", QByteArray(200000, 'a'));
    const QString second = folder.WriteFile("second.bin", QByteArray(300, 'b'));
    choices << first << second;
    int afterLower = 0, afterFirst = 0, afterSecond = 0;
    WhenModal([&](QDialog& d) {
        auto* bar = Control<QProgressBar>(d, "progressBar");
        SendProgress(&d, 30, 1000);
        SendProgress(&d, 10, 1000);
        afterLower = bar->value();
        Click(d, kChooseDocumentButton);
        afterFirst = bar->value();
        bar->setValue(std::min(afterFirst, 60));  // as if the first had stopped at 60 %
        SendProgress(&d, 50, 1000);
        Click(d, kInsertLinkButton);
        afterSecond = bar->value();
        Click(d, "bOK");
    });
    int newIdent = 0;
    EXPECT_EQ(ItemDialog(0, 0, nullptr, "Nová položka", newIdent), 1);
    EXPECT_EQ(afterLower, 30);
    EXPECT_EQ(afterFirst, 100);
    EXPECT_EQ(afterSecond, 100);  // the second started where the first left the bar and rose
    EXPECT_EQ(Documents().size(), 2);
}

TEST_F(ItemDialogTest, ContentOf999LinesTakesOnlyBackspaceAndDeleteAndIsNumberedTo998)
{
    QStringList many(998, "řádek");
    many << "xyz";
    Sql("INSERT INTO MATR (IDENT,OBSAH) VALUES(1,'" + many.join("\n") + "')");
    QString lastLine, afterBackspace;
    int lines = 0, widthMany = 0, widthFew = 0;
    bool numbered998 = false, numbered999 = true;
    WhenModal([&](QDialog& d) {
        TCodeEditor* memo = Memo(d);
        memo->moveCursor(QTextCursor::End);
        QTest::keyClick(memo, Qt::Key_A);
        QTest::keyClick(memo, Qt::Key_Return);
        lastLine = memo->Lines().last();
        QTest::keyClick(memo, Qt::Key_Backspace);
        afterBackspace = memo->Lines().last();
        QTest::keyClick(memo, Qt::Key_Backspace);
        QTest::keyClick(memo, Qt::Key_Backspace);
        QTest::keyClick(memo, Qt::Key_Backspace);  // the line is gone: 998 lines
        QTest::keyClick(memo, Qt::Key_B);
        lines = memo->LineCount();
        auto& dialog = dynamic_cast<TfMatrEdit&>(d);
        numbered998 = dialog.memoLineNumber(998) == 998;
        numbered999 = dialog.memoLineNumber(999) != 0;
        widthMany = memo->GutterWidth();
        memo->SetText(QStringList(1500, "x").join("\n"));
        widthMany = std::max(widthMany, memo->GutterWidth());
        memo->SetText("x");
        widthFew = memo->GutterWidth();
        d.reject();
    });
    Edit(1);
    EXPECT_EQ(lastLine, "xyz");
    EXPECT_EQ(afterBackspace, "xy");
    EXPECT_EQ(lines, 998);
    EXPECT_TRUE(numbered998);
    EXPECT_FALSE(numbered999);
    EXPECT_EQ(widthMany, widthFew);  // three digits, even for 1500 lines
}

TEST_F(ItemDialogTest, ErrorsBeforeTheDialogShowsRollBackAndReachTheCaller)
{
    int newIdent = 0;
    EXPECT_EQ(ErrorOf([&] { ItemDialog(42, 0, nullptr, "Úprava položky", newIdent); }), "Položka 42 v katalogu není.");
    EXPECT_FALSE(data.db.TransactionActive());

    Sql("CREATE TRIGGER refuse BEFORE INSERT ON MATR BEGIN SELECT RAISE(ABORT,'plno'); END;");
    EXPECT_EQ(ErrorOf([&] { ItemDialog(0, 0, nullptr, "Nová položka", newIdent); }), "plno");
    EXPECT_FALSE(data.db.TransactionActive());
    EXPECT_TRUE(Items().isEmpty());
}

TEST_F(ItemDialogTest, FailedSaveKeepsTheDialogAndTheStoredDocumentUntilCancel)
{
    const QString file = folder.WriteFile("a.txt", "a");
    Sql("INSERT INTO MATR (IDENT,NAZEV) VALUES(1,'staré');"
        "CREATE TRIGGER refuse BEFORE UPDATE ON MATR WHEN NEW.NAZEV='zakázáno'"
        " BEGIN SELECT RAISE(ABORT,'odmítnuto'); END;");
    choices << file;
    bool open = false;
    QStringList stored;
    WhenModal([&](QDialog& d) {
        Click(d, kChooseDocumentButton);
        Control<QLineEdit>(d, "edNazev")->setText("zakázáno");
        Click(d, "bOK");
        open = d.isVisible();
        stored = Documents();
        // Text that got past the box's own check reaches the last one before writing.
        Control<QLineEdit>(d, "edPopis")->setValidator(nullptr);
        Control<QLineEdit>(d, "edPopis")->setText(QString::fromUtf8("Жук"));
        Control<QLineEdit>(d, "edNazev")->setText("jiné");
        Click(d, "bOK");
        Click(d, "bCan");
    });
    EXPECT_EQ(Edit(1), 2);
    EXPECT_TRUE(open);
    EXPECT_EQ(stored, QStringList({file}));
    EXPECT_EQ(errors, QStringList({"db: odmítnuto",
                                   "Popis obsahuje znaky, které katalog nedokáže uložit, například \"Ж\": \"Жук\""}));
    EXPECT_EQ(Items(), QStringList({"1|~|staré|~|~|~|~"}));
    EXPECT_TRUE(Documents().isEmpty());
}

// Another program holds the write lock past the wait: OK says so in Czech and offers nothing but
// OK, the dialog keeps what was typed, and OK once the lock is gone stores it.
TEST_F(ItemDialogTest, ASaveRefusedForALockKeepsTheDialogWithTheInputUntilALaterOk)
{
    Sql("INSERT INTO MATR (IDENT,NAZEV,POPIS) VALUES(1,'staré','popis')");
    data.db.SetBusyTimeout(50);
    TMeral3Database other;
    other.SetDriver(EngineLibraryPath());
    other.SetDatabaseFile(data.db.DatabaseFile());
    other.Open();
    bool openAfterRefusal = false;
    QString typedAfterRefusal;
    WhenModal([&](QDialog& d) {
        other.ExecSQL("BEGIN IMMEDIATE");
        auto* name = Control<QLineEdit>(d, "edNazev");
        name->setText("nové");
        Click(d, "bOK");
        openAfterRefusal = d.isVisible();
        typedAfterRefusal = name->text();
        other.ExecSQL("ROLLBACK");
        Click(d, "bOK");
    });
    EXPECT_EQ(Edit(1), 1);
    EXPECT_TRUE(openAfterRefusal);
    EXPECT_EQ(typedAfterRefusal, "nové");
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    ASSERT_NO_FATAL_FAILURE(ExpectOneLockedSaveBox());
    EXPECT_EQ(Items(), QStringList({"1|0|nové|popis|||"}));  // a save files the item as the dialog always does
}

}  // namespace
