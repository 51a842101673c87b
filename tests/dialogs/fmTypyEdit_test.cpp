#include "dialogs/fmTypyEdit.h"

#include "lockedsave.h"
#include "modal.h"

#include "toolkit/guard.h"
#include "tests/data/catalogue.h"
#include "sqlite/sql3_utils.h"
#include "toolkit/messagebox.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <atomic>
#include <thread>

namespace {

class GroupDialogTest : public CatalogueTest {
protected:
    void SetUp() override
    {
        CatalogueTest::SetUp();
        SetErrorHandler([this](const Exception& e) { errors << e.Message(); });
    }
    void TearDown() override { SetErrorHandler(nullptr); }

    // TYPY as "IDENT:PARENT:LEVEL:NAZEV:POPIS", NULL shown as "~".
    QStringList Rows()
    {
        return Column("SELECT IDENT||':'||PARENT||':'||LEVEL||':'||IFNULL(NAZEV,'~')||':'||IFNULL(POPIS,'~')"
                      " FROM TYPY ORDER BY IDENT");
    }
    int Run(int ident, int parent, int level, int& newIdent)
    {
        return GroupDialog(ident, parent, level, "Přidat položku", "Kořenová větev", newIdent);
    }

    QStringList errors;
};

// Another program reading the catalogue (a label print, an export): it holds a read lock until
// Release, which blocks every commit of the test's connection meanwhile.
class ReadingProgram {
public:
    explicit ReadingProgram(const TMeral3Database& catalogue)
    {
        db_.SetDriver(EngineLibraryPath());
        db_.SetDatabaseFile(catalogue.DatabaseFile());
        db_.Open();
        db_.ExecSQL("begin");
        ColumnOf(db_, "SELECT count(*) FROM TYPY");
    }
    void Release() { db_.ExecSQL("commit"); }

private:
    TMeral3Database db_;
};

TEST_F(GroupDialogTest, CancelledNewGroupLeavesNoRowButGivesTheIdentifierUsed)
{
    Sql("INSERT INTO TYPY VALUES(4,0,0,'Sklad','')");
    QString shownIdent, shownLevel, shownBranch, title;
    WhenModal([&](QDialog& d) {
        title = d.windowTitle();
        shownIdent = Control<QLabel>(d, "textIdent")->text();
        shownLevel = Control<QLabel>(d, "textLevel")->text();
        shownBranch = Control<QLabel>(d, "textBranch")->text();
        TypeText(Control<QLineEdit>(d, "edNazev"), "Nová");
        QTest::mouseClick(Control<QPushButton>(d, "bCan"), Qt::LeftButton);
    });
    int newIdent = 0;
    EXPECT_EQ(GroupDialog(0, 4, 1, "Přidat položku", "Sklad", newIdent), 2);
    EXPECT_EQ(newIdent, 5);
    EXPECT_EQ(title, "Přidat položku");
    EXPECT_EQ(shownIdent, "5");  // the row existed while the dialog was open
    EXPECT_EQ(shownLevel, "1");
    EXPECT_EQ(shownBranch, "Sklad");
    EXPECT_EQ(Rows(), QStringList({"4:0:0:Sklad:"}));
    EXPECT_FALSE(data.db.TransactionActive());

    // Esc cancels as well.
    WhenModal([](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); });
    EXPECT_EQ(Run(0, 0, 0, newIdent), 2);
    EXPECT_EQ(Rows().size(), 1);
}

TEST_F(GroupDialogTest, OkStoresTheTextsWholeWithQuotesAndEmptyBoxesAsEmptyStrings)
{
    WhenModal([](QDialog& d) {
        TypeText(Control<QLineEdit>(d, "edNazev"), "O'Neill's 'box'");
        TypeText(Control<QLineEdit>(d, "edPopis"), "řeřicha");
        QTest::mouseClick(Control<QPushButton>(d, "bOK"), Qt::LeftButton);
    });
    int newIdent = 0;
    EXPECT_EQ(GroupDialog(0, 7, 3, "Přidat položku", "X", newIdent), 1);
    EXPECT_EQ(newIdent, 1);
    EXPECT_EQ(Rows(), QStringList({"1:7:3:O'Neill's 'box':řeřicha"}));

    WhenModal([](QDialog& d) { QTest::mouseClick(Control<QPushButton>(d, "bOK"), Qt::LeftButton); });
    EXPECT_EQ(Run(0, 0, 0, newIdent), 1);
    EXPECT_EQ(Rows().at(1), "2:0:0::");  // empty, not NULL
    EXPECT_TRUE(errors.isEmpty());
}

// Bound values: a NUL, quotes, backslashes, line breaks and wildcards are stored as typed. A name
// longer than its column (a catalogue made elsewhere) shows whole and is written back whole.
TEST_F(GroupDialogTest, TextsAreStoredAsTheyStandAndLongerStoredOnesStayWhole)
{
    const QString hostile = QString("a") + QChar(0) + "b'\"\\%_\r\n;--";
    WhenModal([&](QDialog& d) {
        Control<QLineEdit>(d, "edNazev")->setText(hostile);
        Control<QLineEdit>(d, "edPopis")->setText(hostile);
        QTest::mouseClick(Control<QPushButton>(d, "bOK"), Qt::LeftButton);
    });
    int ident = 0;
    ASSERT_EQ(Run(0, 0, 0, ident), 1);
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    EXPECT_EQ(Value("SELECT NAZEV=POPIS FROM TYPY"), "1");
    EXPECT_EQ(Value("SELECT hex(NAZEV) FROM TYPY"), QString(ToCodePage(hostile).toHex().toUpper()));

    const QString name = QString::fromUtf8("Spojovací materiál a šrouby ").repeated(2);
    const QString description(100, 'p');
    Sql(QString("INSERT INTO TYPY VALUES(5,0,0,'%1','%2')").arg(name, description));
    QStringList shown;
    WhenModal([&](QDialog& d) {
        shown << Control<QLineEdit>(d, "edNazev")->text() << Control<QLineEdit>(d, "edPopis")->text();
        QTest::mouseClick(Control<QPushButton>(d, "bOK"), Qt::LeftButton);
    });
    EXPECT_EQ(GroupDialog(5, 0, 0, "Upravit položku", "Kořenová větev", ident), 1);
    EXPECT_EQ(shown, QStringList({name, description}));
    EXPECT_EQ(Column("SELECT NAZEV||'|'||POPIS FROM TYPY WHERE IDENT=5"), QStringList({name + '|' + description}));
}

TEST_F(GroupDialogTest, EditingShowsTheRowAndChangesOnlyNameAndDescription)
{
    Sql("INSERT INTO TYPY VALUES(3,1,2,'Šrouby','M6')");
    QString shownName, shownLevel;
    WhenModal([&](QDialog& d) {
        auto* name = Control<QLineEdit>(d, "edNazev");
        shownName = name->text();
        shownLevel = Control<QLabel>(d, "textLevel")->text();
        name->selectAll();
        TypeText(name, "Matice");
        QTest::mouseClick(Control<QPushButton>(d, "bOK"), Qt::LeftButton);
    });
    int ident = 0;
    // Parent and level passed for an edit are ignored.
    EXPECT_EQ(GroupDialog(3, 9, 9, "Upravit položku", "Kořenová větev", ident), 1);
    EXPECT_EQ(ident, 3);
    EXPECT_EQ(shownName, "Šrouby");
    EXPECT_EQ(shownLevel, "2");
    EXPECT_EQ(Rows(), QStringList({"3:1:2:Matice:M6"}));
}

TEST_F(GroupDialogTest, BoxesTakeNoMoreThanTheFieldSizeAndNoCharacterOutsideTheCodePage)
{
    int lengthName = 0, lengthDescription = 0;
    QString typed;
    WhenModal([&](QDialog& d) {
        auto* name = Control<QLineEdit>(d, "edNazev");
        TypeText(name, QString(40, 'a'));
        lengthName = int(name->text().size());
        name->clear();
        name->insert(QString(50, 'b'));  // what a paste does
        lengthName = std::max(lengthName, int(name->text().size()));
        auto* description = Control<QLineEdit>(d, "edPopis");
        description->insert(QString(70, 'c'));
        lengthDescription = int(description->text().size());
        description->clear();
        TypeText(description, QString::fromUtf8("ŽluťЖ€"));
        typed = description->text();
        QTest::mouseClick(Control<QPushButton>(d, "bCan"), Qt::LeftButton);
    });
    int ident = 0;
    Run(0, 0, 0, ident);
    EXPECT_EQ(lengthName, 32);
    EXPECT_EQ(lengthDescription, 64);
    EXPECT_EQ(typed, QString::fromUtf8("Žluť€"));  // the Cyrillic letter is refused, the rest fits
}

TEST_F(GroupDialogTest, EnterInABoxDoesNotPressOk)
{
    bool stillOpen = false;
    WhenModal([&](QDialog& d) {
        TypeText(Control<QLineEdit>(d, "edNazev"), "x");
        QTest::keyClick(Control<QLineEdit>(d, "edNazev"), Qt::Key_Return);
        QTest::keyClick(Control<QLineEdit>(d, "edPopis"), Qt::Key_Enter);
        stillOpen = d.isVisible();
        d.reject();
    });
    int ident = 0;
    EXPECT_EQ(Run(0, 0, 0, ident), 2);
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(Rows().isEmpty());
}

// A failing OK is reported, keeps the dialog and its transaction open; OK again can succeed.
TEST_F(GroupDialogTest, FailedSaveKeepsTheDialogOpenAndCancelLeavesTypyUnchanged)
{
    Sql("INSERT INTO TYPY VALUES(1,0,0,'Sklad','starý');"
        "CREATE TRIGGER refuse BEFORE UPDATE ON TYPY WHEN NEW.NAZEV='zakázáno'"
        " BEGIN SELECT RAISE(ABORT,'odmítnuto'); END;");
    bool openAfterError = false, inTransaction = false;
    WhenModal([&](QDialog& d) {
        auto* name = Control<QLineEdit>(d, "edNazev");
        name->setText("zakázáno");
        QTest::mouseClick(Control<QPushButton>(d, "bOK"), Qt::LeftButton);
        openAfterError = d.isVisible();
        inTransaction = data.db.TransactionActive();
        QTest::mouseClick(Control<QPushButton>(d, "bCan"), Qt::LeftButton);
    });
    int ident = 0;
    EXPECT_EQ(GroupDialog(1, 0, 0, "Upravit položku", "Kořenová větev", ident), 2);
    EXPECT_TRUE(openAfterError);
    EXPECT_TRUE(inTransaction);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0], "db: odmítnuto");
    EXPECT_EQ(Rows(), QStringList({"1:0:0:Sklad:starý"}));

    // The same dialog for a new group: the first OK fails, the second stores the corrected name.
    errors.clear();
    WhenModal([&](QDialog& d) {
        auto* name = Control<QLineEdit>(d, "edNazev");
        name->setText("zakázáno");
        QTest::mouseClick(Control<QPushButton>(d, "bOK"), Qt::LeftButton);
        name->setText("povoleno");
        QTest::mouseClick(Control<QPushButton>(d, "bOK"), Qt::LeftButton);
    });
    EXPECT_EQ(Run(0, 0, 0, ident), 1);
    EXPECT_EQ(errors, QStringList({"db: odmítnuto"}));
    EXPECT_EQ(Rows(), QStringList({"1:0:0:Sklad:starý", "2:0:0:povoleno:"}));
}

TEST_F(GroupDialogTest, TextTheCodePageCannotHoldIsReportedBeforeAnythingIsWritten)
{
    Sql("INSERT INTO TYPY VALUES(1,0,0,'Sklad','')");
    WhenModal([&](QDialog& d) {
        // Text that got past the box's own check reaches the last one before writing.
        Control<QLineEdit>(d, "edPopis")->setValidator(nullptr);
        Control<QLineEdit>(d, "edPopis")->setText(QString::fromUtf8("Жук"));
        QTest::mouseClick(Control<QPushButton>(d, "bOK"), Qt::LeftButton);
        d.reject();
    });
    int ident = 0;
    EXPECT_EQ(GroupDialog(1, 0, 0, "Upravit položku", "Kořenová větev", ident), 2);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0], QString::fromUtf8("Popis obsahuje znaky, které katalog nedokáže uložit, například \"Ж\": \"Жук\""));
    EXPECT_EQ(Rows(), QStringList({"1:0:0:Sklad:"}));
}

TEST_F(GroupDialogTest, AFailingInsertShowsNoDialogAndLeavesNoTransaction)
{
    Sql("CREATE TRIGGER refuse BEFORE INSERT ON TYPY BEGIN SELECT RAISE(ABORT,'plno'); END;");
    int ident = 0;
    EXPECT_EQ(ErrorOf([&] { Run(0, 0, 0, ident); }), "plno");  // returns, so no modal loop ran
    EXPECT_FALSE(data.db.TransactionActive());
    EXPECT_TRUE(Rows().isEmpty());
}

}  // namespace

// OK waits through a short lock by another program; a lock that outlasts the wait is told in
// Czech without offering to end, and the dialog stays open with what was typed until OK succeeds.
TEST_F(GroupDialogTest, SaveWaitsThroughAShortLockAndALongOneKeepsTheDialogWithTheInput)
{
    Sql("INSERT INTO TYPY VALUES(1,0,0,'Sklad','starý')");
    MessageBoxAnswers::Reset();
    data.db.SetBusyTimeout(60000);  // far beyond the short lock, on a loaded machine too
    ReadingProgram shortly(data.db);
    std::atomic<bool> saved = false;
    std::thread reader([&] {
        // A commit waiting for readers to go holds the lock that keeps new readers out: once a
        // new reader is refused, the save is waiting, and the other program ends its read.
        TMeral3Database probe;
        probe.SetDriver(EngineLibraryPath());
        probe.SetDatabaseFile(data.db.DatabaseFile());
        probe.Open();
        probe.SetBusyTimeout(0);
        const auto newReaderRefused = [&] {
            try {
                ColumnOf(probe, "SELECT count(*) FROM TYPY");
                return false;
            } catch (const EDatabaseError&) {
                return true;
            }
        };
        while (!saved && !newReaderRefused())
            std::this_thread::yield();
        shortly.Release();
    });
    WhenModal([&](QDialog& d) {
        Control<QLineEdit>(d, "edNazev")->setText("Dílna");
        QTest::mouseClick(Control<QPushButton>(d, "bOK"), Qt::LeftButton);
        if (d.isVisible())
            d.reject();
    });
    int ident = 0;
    const int shortResult = GroupDialog(1, 0, 0, "Upravit položku", "Kořenová větev", ident);
    saved = true;
    reader.join();
    EXPECT_EQ(shortResult, 1);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("|").toStdString();
    EXPECT_EQ(Rows(), QStringList({"1:0:0:Dílna:starý"}));

    data.db.SetBusyTimeout(100);
    auto longer = std::make_unique<ReadingProgram>(data.db);
    bool openAfterRefusal = false;
    QString typedAfterRefusal;
    WhenModal([&](QDialog& d) {
        auto* name = Control<QLineEdit>(d, "edNazev");
        name->setText("Garáž");
        QTest::mouseClick(Control<QPushButton>(d, "bOK"), Qt::LeftButton);
        openAfterRefusal = d.isVisible();
        typedAfterRefusal = name->text();
        longer.reset();  // the other program ends; OK again stores the same input
        QTest::mouseClick(Control<QPushButton>(d, "bOK"), Qt::LeftButton);
    });
    EXPECT_EQ(GroupDialog(1, 0, 0, "Upravit položku", "Kořenová větev", ident), 1);
    EXPECT_TRUE(openAfterRefusal);
    EXPECT_EQ(typedAfterRefusal, "Garáž");
    EXPECT_TRUE(errors.isEmpty()) << errors.join("|").toStdString();
    ASSERT_NO_FATAL_FAILURE(ExpectOneLockedSaveBox());
    EXPECT_EQ(Rows(), QStringList({"1:0:0:Garáž:starý"}));
}
