#include "mainwindow_fixture.h"
#include "tests/support/settle.h"

#include "toolkit/codeeditor.h"

#include <QApplication>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

namespace {

// Places as the items carry them: letter case and surrounding blanks differ on purpose.
class PlacesEditor : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        Sql("INSERT INTO MATR VALUES(1,0,'a','','Sklad',NULL,NULL);"
            "INSERT INTO MATR VALUES(2,0,'b','','SKLAD',NULL,NULL);"
            "INSERT INTO MATR VALUES(3,0,'c','',' Sklad ',NULL,NULL);"
            "INSERT INTO MATR VALUES(4,0,'d','','Dílna',NULL,NULL);"
            "INSERT INTO MATR VALUES(5,0,'e','','',NULL,NULL);"
            "INSERT INTO MATR VALUES(6,0,'f','',NULL,NULL,NULL);"
            "INSERT INTO MATR VALUES(7,0,'g','','Regál ''A''',NULL,NULL);");
    }

    TfMain& OpenEditor()
    {
        TfMain& w = Open();
        w.show();
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
        Settle();
        w.Editacemst1Click();
        Settle();
        return w;
    }
    QStringList Rows(int column)
    {
        QStringList rows;
        for (int row = 0; row < window->gridMista->rowCount(); ++row)
            rows << window->gridMista->item(row, column)->text();
        return rows;
    }
    QLineEdit* Editor()
    {
        TfMain& w = *window;
        return qobject_cast<QLineEdit*>(w.gridMista->indexWidget(w.gridMista->model()->index(w.gridMista->currentRow(), 1)));
    }
    // Selects the whole value and types over it, as a user would.
    void Type(const QString& text)
    {
        QLineEdit* editor = Editor();
        ASSERT_NE(editor, nullptr);
        editor->setFocus();
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(editor, Qt::Key_Backspace);
        for (const QChar c : text)
            TypeChar(c);
    }
    // One key that types the character (the test keyboard knows only ASCII key names).
    void TypeChar(QChar c)
    {
        QTest::sendKeyEvent(QTest::Press, Editor(), Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, Editor(), Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    void Enter() { QTest::keyClick(Editor(), Qt::Key_Return); }
    void Down() { QTest::keyClick(Editor(), Qt::Key_Down); }
    QString Place(int ident) { return Value("SELECT MISTO FROM MATR WHERE IDENT=" + QString::number(ident)); }
    size_t Questions() { return MessageBoxAnswers::History().size(); }
};

TEST_F(PlacesEditor, OpensOverTheMainAreaWithEachPlaceOnce)
{
    TfMain& w = OpenEditor();
    EXPECT_TRUE(w.grpMista->isVisible());
    EXPECT_EQ(w.grpMista->geometry(), QRect(128, 4, 280, w.mainPanel->height() - 16));
    // Letter case makes no new place; surrounding blanks do, shown trimmed (" Sklad " sorts first).
    const QStringList rows = Rows(1);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows.mid(0, 3), QStringList({"Sklad", "Dílna", "Regál 'A'"}));
    EXPECT_EQ(rows[3].compare("sklad", Qt::CaseInsensitive), 0);
    EXPECT_EQ(Rows(0), QStringList({"1", "2", "3", "4"}));
    EXPECT_EQ(w.gridMista->currentRow(), 0);
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(Editor()->text(), "Sklad");
    EXPECT_EQ(Editor()->maxLength(), 32);
    EXPECT_EQ(w.placeBeforeEdit, "Sklad");
    EXPECT_EQ(w.editRow, -1);
    EXPECT_TRUE(Editor()->hasFocus());
    EXPECT_EQ(w.gridMista->columnWidth(0), 32);

    // The key column is not edited: a click there edits the row's value, and typing goes there.
    const QRect key = w.gridMista->visualRect(w.gridMista->model()->index(2, 0));
    QTest::mouseClick(w.gridMista->viewport(), Qt::LeftButton, {}, key.center());
    Settle();
    EXPECT_EQ(w.gridMista->currentColumn(), 1);
    ASSERT_EQ(w.gridMista->currentRow(), 2);
    EXPECT_EQ(Editor()->text(), "Regál 'A'");
    EXPECT_TRUE(Editor()->hasFocus());
    QTest::mouseClick(w.gridMista->viewport(), Qt::LeftButton, {}, key.center());  // the same row again
    Settle();
    EXPECT_TRUE(Editor()->hasFocus());
    EXPECT_EQ(w.placeBeforeEdit, "Regál 'A'");
}

TEST_F(PlacesEditor, AnEmptyCatalogueSaysSoAndTheEditorDoesNotStayOpen)
{
    Sql("UPDATE MATR SET MISTO='  '");
    TfMain& w = OpenEditor();
    const MessageBoxAnswers::Shown* shown = LastMessage();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->text, "Dosud v záznamech nemáte uložena žádná umístění.");
    EXPECT_EQ(shown->caption, "Místa");
    EXPECT_EQ(shown->icon, QMessageBox::Information);
    EXPECT_EQ(shown->owner, &w);
    EXPECT_FALSE(w.grpMista->isVisible());
}

TEST_F(PlacesEditor, RenamingInLetterCaseAsksAndRenamesEveryItemOfThatPlace)
{
    TfMain& w = OpenEditor();
    w.gridMista->setCurrentCell(3, 1);
    const QString listed = Rows(1)[3];
    Type("sKLAD");
    EXPECT_EQ(w.editRow, 3);
    MessageBoxAnswers::Queue(QMessageBox::Yes);
    Enter();
    ASSERT_EQ(Questions(), 1u);
    const MessageBoxAnswers::Shown& asked = MessageBoxAnswers::History()[0];
    EXPECT_EQ(asked.text, "Upravit \"" + listed + "\" na \"sKLAD\"?");
    EXPECT_EQ(asked.caption, "Místa");
    EXPECT_EQ(asked.icon, QMessageBox::Question);
    EXPECT_EQ(asked.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(Place(1), "sKLAD");
    EXPECT_EQ(Place(2), "sKLAD");
    EXPECT_EQ(Place(3), " Sklad ");  // matched trimmed, so the blanks keep it apart
    EXPECT_EQ(Place(4), "Dílna");
    EXPECT_EQ(w.placeBeforeEdit, "sKLAD");
    EXPECT_EQ(w.editRow, -1);
    // The item list was read again.
    ASSERT_TRUE(w.table.Locate("IDENT", 1));
    EXPECT_EQ(w.tableMISTO->AsString(), "sKLAD");

    // Leaving the row after Enter asks nothing more.
    QTest::keyClick(Editor(), Qt::Key_Up);
    EXPECT_EQ(w.gridMista->currentRow(), 2);
    EXPECT_EQ(Questions(), 1u);
    EXPECT_EQ(Rows(1)[3], "sKLAD");
}

TEST_F(PlacesEditor, TheNewValueIsStoredAsTypedAndQuotesSurvive)
{
    TfMain& w = OpenEditor();
    w.gridMista->setCurrentCell(2, 1);  // Regál 'A'
    EXPECT_EQ(w.placeBeforeEdit, "Regál 'A'");
    Type(" Regál 'B' ");
    MessageBoxAnswers::Queue(QMessageBox::Yes);
    Enter();
    EXPECT_EQ(Place(7), " Regál 'B' ");
    EXPECT_EQ(w.placeBeforeEdit, " Regál 'B' ");
    EXPECT_EQ(Questions(), 1u);

    // Into the name of another listed place: the two merge in the items, both rows stay.
    w.gridMista->setCurrentCell(3, 1);
    Type("Dílna");
    MessageBoxAnswers::Queue(QMessageBox::Yes);
    Enter();
    EXPECT_EQ(Place(1), "Dílna");
    EXPECT_EQ(Place(2), "Dílna");
    EXPECT_EQ(Rows(1), QStringList({"Sklad", "Dílna", " Regál 'B' ", "Dílna"}));
}

TEST_F(PlacesEditor, ClearingOrAnsweringNoPutsTheOldValueBack)
{
    TfMain& w = OpenEditor();
    w.gridMista->setCurrentCell(1, 1);
    Type("   ");
    Enter();
    EXPECT_EQ(Questions(), 0u);
    EXPECT_EQ(Editor()->text(), "Dílna");

    Type("Kancelář");
    MessageBoxAnswers::Queue(QMessageBox::No);
    Enter();
    EXPECT_EQ(Questions(), 1u);
    EXPECT_EQ(Editor()->text(), "Dílna");
    EXPECT_EQ(Place(4), "Dílna");
    Down();
    EXPECT_EQ(Questions(), 1u);
    EXPECT_EQ(Rows(1)[1], "Dílna");
    EXPECT_EQ(w.gridMista->currentRow(), 2);
}

TEST_F(PlacesEditor, LeavingAnEditedRowValidatesItOnce)
{
    TfMain& w = OpenEditor();
    Type("Garáž");
    MessageBoxAnswers::Queue(QMessageBox::Yes);
    Down();
    ASSERT_EQ(Questions(), 1u);
    EXPECT_EQ(MessageBoxAnswers::History()[0].text, "Upravit \"Sklad\" na \"Garáž\"?");
    EXPECT_EQ(Place(1), "Garáž");
    EXPECT_EQ(Place(3), " Sklad ");
    EXPECT_EQ(Rows(1)[0], "Garáž");
    EXPECT_EQ(w.gridMista->currentRow(), 1);
    EXPECT_EQ(w.placeBeforeEdit, "Dílna");  // the new row's own value
    EXPECT_EQ(w.editRow, -1);
    Down();
    EXPECT_EQ(Questions(), 1u);
}

TEST_F(PlacesEditor, TextTheCataloguesCodePageCannotHoldIsRefusedAtInput)
{
    OpenEditor();
    Type("Sklad ");
    for (const QChar c : QString("Ж→9"))
        TypeChar(c);
    EXPECT_EQ(Editor()->text(), "Sklad 9");
    Type(QString(40, 'x'));
    EXPECT_EQ(Editor()->text().size(), 32);
}

TEST_F(PlacesEditor, FocusLeavingTheListValidatesAndCloses)
{
    TfMain& w = OpenEditor();
    Type("Půda");
    MessageBoxAnswers::Queue(QMessageBox::Yes);
    w.tree->setFocus();
    Settle();
    EXPECT_EQ(Questions(), 1u);
    EXPECT_EQ(Place(1), "Půda");
    EXPECT_FALSE(w.grpMista->isVisible());

    // The content view taking the focus closes it too, and so does "X".
    w.Editacemst1Click();
    ASSERT_TRUE(w.grpMista->isVisible());
    w.memo->setFocus();
    Settle();
    EXPECT_FALSE(w.grpMista->isVisible());
    w.Editacemst1Click();
    ASSERT_TRUE(w.grpMista->isVisible());
    QTest::mouseClick(w.btnMista, Qt::LeftButton);
    EXPECT_FALSE(w.grpMista->isVisible());
    EXPECT_FALSE(w.grpMista->isAncestorOf(QApplication::focusWidget()));
    EXPECT_EQ(Questions(), 1u);
}

TEST_F(PlacesEditor, AFailedRenameKeepsTheItemsAndTheNextRowStartsAfresh)
{
    TfMain& w = OpenEditor();
    Sql("CREATE TRIGGER NOUPDATE BEFORE UPDATE ON MATR BEGIN SELECT RAISE(ABORT, 'zamčeno'); END");
    Type("Sklep");
    MessageBoxAnswers::Queue(QMessageBox::Yes);
    MessageBoxAnswers::Queue(QMessageBox::No);  // "… Ukončit aplikaci?"
    Enter();
    ASSERT_EQ(Questions(), 2u);
    EXPECT_EQ(MessageBoxAnswers::History()[1].caption, "Chyba");
    EXPECT_TRUE(MessageBoxAnswers::History()[1].text.contains("zamčeno"));
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(Place(1), "Sklad");
    EXPECT_EQ(Editor()->text(), "Sklep");
    EXPECT_EQ(w.editRow, 0);

    // Leaving the row asks again; failing once more, the next row still starts a fresh edit and
    // renames its own place, not the one that failed.
    MessageBoxAnswers::Queue(QMessageBox::Yes);
    MessageBoxAnswers::Queue(QMessageBox::No);
    w.gridMista->setCurrentCell(2, 1);
    ASSERT_EQ(Questions(), 4u);
    EXPECT_EQ(MessageBoxAnswers::History()[2].text, "Upravit \"Sklad\" na \"Sklep\"?");
    EXPECT_EQ(w.gridMista->item(0, 1)->text(), "Sklep");
    Sql("DROP TRIGGER NOUPDATE");
    Type("Hala");
    MessageBoxAnswers::Queue(QMessageBox::Yes);
    Enter();
    ASSERT_EQ(Questions(), 5u);
    EXPECT_EQ(MessageBoxAnswers::History()[4].text, "Upravit \"Regál 'A'\" na \"Hala\"?");
    EXPECT_EQ(Place(7), "Hala");
    EXPECT_EQ(Place(1), "Sklad");
}

}  // namespace

namespace {

// Places made by another program: longer than the column, or holding a NUL, wildcards and a
// backslash. Each is listed whole and renamed as it stands, and only the items that have it.
TEST_F(PlacesEditor, PlacesLongerThanTheColumnOrHoldingOddCharactersAreListedWholeAndRenamed)
{
    const QString longPlace = QString::fromUtf8("Sklad v přízemí, regál u okna, třetí police shora, ").repeated(3).chopped(2);
    Sql(QString("INSERT INTO MATR VALUES(8,0,'h','','%1',NULL,NULL);"
                "INSERT INTO MATR VALUES(9,0,'i','','50%_a\\b',NULL,NULL);"
                "INSERT INTO MATR VALUES(10,0,'j','','50xxa\\b',NULL,NULL);"
                "INSERT INTO MATR VALUES(11,0,'k','','x' || char(0) || 'y',NULL,NULL);")
            .arg(longPlace));
    TfMain& w = OpenEditor();
    auto rename = [&](const QString& from, const QString& to) {
        const int row = int(Rows(1).indexOf(from));
        ASSERT_GE(row, 0) << Rows(1).join('|').toStdString();
        w.gridMista->setCurrentCell(row, 1);
        EXPECT_EQ(Editor()->text(), from);
        Type(to);
        MessageBoxAnswers::Queue(QMessageBox::Yes);
        Enter();
    };
    rename(longPlace, "Archiv");
    EXPECT_EQ(LastMessage()->text, "Upravit \"" + longPlace.left(60) + "…\" na \"Archiv\"?");
    EXPECT_EQ(Place(8), "Archiv");
    rename("50%_a\\b", "Hala");
    EXPECT_EQ(Place(9), "Hala");
    EXPECT_EQ(Place(10), "50xxa\\b");
    rename(QString("x") + QChar(0) + "y", "xy");
    EXPECT_EQ(Place(11), "xy");
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(Questions(), 3u);
}

}  // namespace
