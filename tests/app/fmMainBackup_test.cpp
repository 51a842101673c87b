#include "mainwindow_fixture.h"

#include "data/backup.h"
#include "report/report.h"
#include "report/reportpages.h"
#include "reports/rpCommon.h"
#include "sqlite/sql3_utils.h"
#include "tests/faults/faults.h"
#include "tests/sqlite/sql3_testdb.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cerrno>
#include <functional>

namespace {

// Watches the progress panel while a command pumps its messages: records every state it shows
// and can click the cancel button once the current-file line reads a given text.
class PanelWatch {
public:
    explicit PanelWatch(TfMain& w) : w_(w)
    {
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Look(); });
        timer_.start(0);
    }
    void CancelAt(const QString& fileLine)
    {
        At(fileLine, [this] { w_.brCancel->click(); });
    }
    // The action runs once, when the current-file line first reads fileLine.
    void At(const QString& fileLine, std::function<void()> action)
    {
        at_ = fileLine;
        action_ = std::move(action);
    }

    QStringList states;  // "current-file line @ bar position"

private:
    void Look()
    {
        if (!w_.panelProgress->isVisible())
            return;
        const QString state = w_.currentFile->text() + " @ " + QString::number(w_.progress->value());
        if (states.isEmpty() || states.last() != state)
            states << state;
        if (!at_.isEmpty() && w_.currentFile->text() == at_) {
            at_.clear();
            action_();
        }
    }

    TfMain& w_;
    QTimer timer_;
    QString at_;
    std::function<void()> action_;
};

class BackupCommands : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        QDir().mkpath(folder.File("backups"));
        answer = folder.File("backups/a.bak");
        SetFileDialogAnswerer([this](const TFileDialog& d) {
            seen.push_back(d.InitialDir() + "|" + d.FileName());
            return answer;
        });
        Sql("INSERT INTO TYPY (IDENT, PARENT, LEVEL, NAZEV) VALUES(1, 0, 0, 'Regál')");
        Sql("INSERT INTO TYPY (IDENT, PARENT, LEVEL, NAZEV) VALUES(2, 0, 0, 'Skříň')");
        doc = folder.WriteFile("docs/b.txt", "document b");
        Sql("INSERT INTO MATR (IDENT, IDTYP, NAZEV, PATH_DOK) VALUES(1, 1, 'a', '')");
        Sql("INSERT INTO MATR (IDENT, IDTYP, NAZEV, PATH_DOK) VALUES(2, 2, 'b', " + QuoteString(doc) + ")");
        Sql("INSERT INTO MATR (IDENT, IDTYP, NAZEV, PATH_DOK) VALUES(3, 2, 'c', '')");
        Sql("INSERT INTO DOCS (DOCPATH) VALUES('/gone/orphan.pdf')");
        Open();
    }
    // Another program's connection to the catalogue, for its locks; ours waits only briefly.
    void ConnectOtherProgram(TMeral3Database& other)
    {
        data.db.SetBusyTimeout(50);
        other.SetDriver(EngineLibraryPath());
        other.SetDatabaseFile(data.db.DatabaseFile());
        other.Open();
    }
    void TearDown() override
    {
        SetFileDialogAnswerer({});
        MessageBoxAnswers::Enable(true);
        MainWindowTest::TearDown();
    }

    QAction* Command(const QString& text)
    {
        for (QAction* action : window->findChildren<QAction*>())
            if (QString(action->text()).remove(u'&') == text)
                return action;
        ADD_FAILURE() << "no command " << text.toStdString();
        return nullptr;
    }
    QString LastDir() { return Settings()->value("backup/LASTDIR", "<none>").toString(); }
    QStringList TopNodes()
    {
        QStringList names;
        for (int i = 0; i < window->tree->topLevelItemCount(); ++i)
            names << window->tree->topLevelItem(i)->text(0);
        return names;
    }
    int CurrentRow() { return window->grid->currentIndex().row(); }

    std::optional<QString> answer;
    std::vector<QString> seen;
    QString doc;
};

TEST_F(BackupCommands, ClosingTheSaveDialogLeavesEverythingAsItWas)
{
    answer.reset();
    Command("Záloha databáze")->trigger();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(QRegularExpression("^\\|Regalon_\\d{8}-\\d{4}\\.bak$").match(seen[0]).hasMatch()) << seen[0].toStdString();
    EXPECT_TRUE(MessageBoxAnswers::History().empty());
    EXPECT_FALSE(window->panelProgress->isVisible());
    EXPECT_EQ(LastDir(), "<none>");
    EXPECT_EQ(Value("SELECT COUNT(*) FROM DOCS"), "1");
}

TEST_F(BackupCommands, ABackupReportsItsStepsAndRemembersItsFolder)
{
    TfMain& w = *window;
    w.show();
    data.SettingsFile().setValue("backup/LASTDIR", folder.File("earlier") + "/");
    Select(Node(2));  // two of the three items
    ASSERT_EQ(ListedItems(), QStringList({"2", "3"}));
    PanelWatch watch(w);

    Command("Záloha databáze")->trigger();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].startsWith(folder.File("earlier") + "/|Regalon_"));
    EXPECT_EQ(Texts(), QStringList({"Záloha databáze provedena."}));
    EXPECT_EQ(LastMessage()->caption, "Záloha dat");
    EXPECT_EQ(LastMessage()->icon, QMessageBox::Information);
    EXPECT_EQ(LastDir(), folder.File("backups") + "/");
    EXPECT_FALSE(w.panelProgress->isVisible());
    EXPECT_EQ(w.progress->maximum(), 2);  // the rows listed, although all three are processed
    // An eighth of 2 is 0: the bar drops back to the start for the last steps.
    // Positions beyond the maximum leave the bar full.
    EXPECT_EQ(watch.states, QStringList({"Kontrola dokumentů @ 0", " @ 1", "b.txt @ 2", " @ 2",
                                         "Čistím databázi @ 0", "Kopíruji a.bak @ 0"}));
    EXPECT_EQ(Column("SELECT DOCPATH FROM DOCS"), QStringList({doc}));
    EXPECT_TRUE(QFile::exists(*answer));
    // The branch filter is back and the list stands on its first row.
    EXPECT_EQ(ListedItems(), QStringList({"2", "3"}));
    EXPECT_EQ(CurrentRow(), 0);
    EXPECT_EQ(w.table.FieldByName("IDENT").AsInteger(), 2);
}

TEST_F(BackupCommands, TheBarMarksEighthsOfItsMaximumForTheLastSteps)
{
    for (int i = 10; i < 26; ++i)
        Sql(QString("INSERT INTO MATR (IDENT, IDTYP, NAZEV) VALUES(%1, 0, 'x%1')").arg(i));
    window.reset();
    Open().show();
    PanelWatch watch(*window);
    Command("Záloha databáze")->trigger();
    EXPECT_EQ(window->progress->maximum(), 19);
    EXPECT_EQ(watch.states.mid(watch.states.size() - 2), QStringList({"Čistím databázi @ 12", "Kopíruji a.bak @ 14"}));
}

TEST_F(BackupCommands, CancellingStopsAtThePointOfTheClick)
{
    TfMain& w = *window;
    w.show();
    struct Case {
        QString clickedAt;
        QString message;
    };
    const Case cases[] = {
        {"Kontrola dokumentů", "Záloha byla přerušena! (1)"},
        {"b.txt", "Záloha byla přerušena!"},
        {"Čistím databázi", "Záloha byla přerušena! (2)"},
        {"Kopíruji a.bak", "Záloha byla přerušena! (3)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clickedAt.toStdString());
        MessageBoxAnswers::Reset();
        MessageBoxAnswers::Queue(QMessageBox::Yes);
        PanelWatch watch(w);
        watch.CancelAt(c.clickedAt);
        Command("Záloha databáze")->trigger();
        ASSERT_EQ(Texts(), QStringList({"Opravdu přerušit zálohování databáze?", c.message + " Ukončit aplikaci?"}));
        const auto& question = MessageBoxAnswers::History().front();
        EXPECT_EQ(question.caption, "Zálohování");
        EXPECT_EQ(question.icon, QMessageBox::Warning);
        EXPECT_EQ(question.buttons, QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(question.owner, &w);
        EXPECT_EQ(watch.states.last().section(" @ ", 0, 0), c.clickedAt);  // no step after the click
        EXPECT_FALSE(w.panelProgress->isVisible());
        EXPECT_FALSE(QFile::exists(*answer));
        EXPECT_EQ(LastDir(), "<none>");
        EXPECT_EQ(ListedItems(), QStringList({"1", "2", "3"}));
        EXPECT_EQ(quits, 0);
    }

    // Answering No goes on to the end.
    MessageBoxAnswers::Reset();
    MessageBoxAnswers::Queue(QMessageBox::No);
    PanelWatch watch(w);
    watch.CancelAt("b.txt");
    Command("Záloha databáze")->trigger();
    EXPECT_EQ(Texts(), QStringList({"Opravdu přerušit zálohování databáze?", "Záloha databáze provedena."}));
    EXPECT_TRUE(QFile::exists(*answer));
}

TEST_F(BackupCommands, TheCancelQuestionTakesTheUsersAnswerDuringABackup)
{
    TfMain& w = *window;
    w.show();
    PanelWatch watch(w);
    watch.CancelAt("Kontrola dokumentů");
    MessageBoxAnswers::Enable(false);  // a real box, answered with the keyboard
    QString title;
    bool answered = false;
    WhenModal([&](QDialog& box) {
        title = box.windowTitle();
        QTest::keyClick(&box, Qt::Key_Return);
        answered = !box.isVisible();
        if (!answered)
            box.reject();
        MessageBoxAnswers::Enable(true);
    });
    Command("Záloha databáze")->trigger();
    EXPECT_EQ(title, "Zálohování");
    EXPECT_TRUE(answered);
    EXPECT_EQ(Texts(), QStringList({"Záloha byla přerušena! (1) Ukončit aplikaci?"}));
}

TEST_F(BackupCommands, RestoreAsksFirstAndEndsQuietlyWithoutAFile)
{
    MessageBoxAnswers::Queue(QMessageBox::No);
    Command("Obnova databáze ze zálohy")->trigger();
    EXPECT_EQ(Texts(), QStringList({"Databáze bude obnovena ze zálohy.\r\nPokračovat?"}));
    EXPECT_EQ(LastMessage()->caption, "Obnova dat");
    EXPECT_EQ(LastMessage()->icon, QMessageBox::Warning);
    EXPECT_TRUE(seen.empty());

    for (const std::optional<QString>& chosen : {std::optional<QString>(), std::optional<QString>(folder.File("none.bak"))}) {
        MessageBoxAnswers::Reset();
        MessageBoxAnswers::Queue(QMessageBox::Yes);
        answer = chosen;
        Command("Obnova databáze ze zálohy")->trigger();
        EXPECT_EQ(MessageBoxAnswers::History().size(), 1u);
        EXPECT_EQ(ListedItems(), QStringList({"1", "2", "3"}));
        EXPECT_EQ(TopNodes().size(), 4);
    }
}

TEST_F(BackupCommands, RestoreBringsBackTreeAndListOnTheFirstRow)
{
    TfMain& w = *window;
    w.show();
    Command("Záloha databáze")->trigger();
    ASSERT_EQ(Texts(), QStringList({"Záloha databáze provedena."}));
    Sql("DELETE FROM MATR WHERE IDENT = 1");
    Sql("UPDATE TYPY SET NAZEV = 'Jiný' WHERE IDENT = 1");
    Sql("INSERT INTO MATR (IDENT, IDTYP, NAZEV) VALUES(9, 0, '0 first')");
    w.edFilter->setText("b");
    Select(Node(2));
    ASSERT_EQ(ListedItems().size(), 2);
    w.grid->setCurrentIndex(w.gridModel->index(1, 0));

    MessageBoxAnswers::Reset();
    MessageBoxAnswers::Queue(QMessageBox::Yes);
    Command("Obnova databáze ze zálohy")->trigger();
    EXPECT_EQ(Texts(), QStringList({"Databáze bude obnovena ze zálohy.\r\nPokračovat?", "Obnova databáze provedena."}));
    EXPECT_EQ(LastMessage()->caption, "Obnova dat");
    EXPECT_EQ(LastMessage()->icon, QMessageBox::Information);
    EXPECT_FALSE(w.panelProgress->isVisible());
    EXPECT_EQ(TopNodes(), QStringList({"VŠECHNY POLOŽKY", "Regál", "Skříň", "NEZAŘAZENO"}));
    EXPECT_EQ(ListedItems(), QStringList({"1", "2", "3"}));
    EXPECT_EQ(CurrentRow(), 0);
    EXPECT_EQ(w.table.FieldByName("IDENT").AsInteger(), 1);
}

TEST_F(BackupCommands, AFailedRestoreShowsTheLiveCatalogueAgain)
{
    TfMain& w = *window;
    answer = folder.WriteFile("backups/notes.bak", "no catalogue at all");
    MessageBoxAnswers::Queue(QMessageBox::Yes);
    Command("Obnova databáze ze zálohy")->trigger();
    ASSERT_EQ(MessageBoxAnswers::History().size(), 2u);
    EXPECT_TRUE(LastMessage()->text.startsWith("Obnova se nezdařila!\n")) << LastMessage()->text.toStdString();
    EXPECT_EQ(LastMessage()->caption, "Chyba");
    EXPECT_TRUE(data.db.Connected());
    EXPECT_FALSE(w.panelProgress->isVisible());
    EXPECT_EQ(TopNodes().size(), 4);
    EXPECT_EQ(ListedItems(), QStringList({"1", "2", "3"}));
}

// A backup refused for another program's lock is said once, in the backup's own words, and the
// list is back as it was.
TEST_F(BackupCommands, ABackupRefusedForALockSaysSoOnceAndKeepsTheList)
{
    TMeral3Database other;
    ConnectOtherProgram(other);
    other.ExecSQL("BEGIN IMMEDIATE");  // writes wait for it, reads do not
    Command("Záloha databáze")->trigger();
    other.ExecSQL("ROLLBACK");
    ASSERT_EQ(MessageBoxAnswers::History().size(), 1u);
    const QString text = LastMessage()->text;
    EXPECT_TRUE(text.startsWith("Záloha se nezdařila! Katalog právě používá jiný program.")) << text.toStdString();
    EXPECT_EQ(text.count("database is locked"), 1) << text.toStdString();
    EXPECT_EQ(LastMessage()->caption, "Katalog je zamčen");
    EXPECT_EQ(ListedItems(), QStringList({"1", "2", "3"}));
}

// A catalogue that does not open again after a backup is offered another try, so a passing fault
// needs no restart: once it passes, list and tree are back and the backup is reported done.
TEST_F(BackupCommands, AReopenThatFailsIsOfferedAgainAndZavritEndsTheProgram)
{
    window->show();  // the panel's steps are watched only while it shows
    const std::string catalogue = data.db.DatabaseFile().toStdString();
    const auto failReopens = [&](PanelWatch& watch) {
        // From the copy's step on the copy opens the catalogue first, every reopen after it fails.
        watch.At("Kopíruji a.bak", [&] { faults::Start(faults::NthOpenOf(catalogue, 2, EIO, true)); });
    };
    {
        PanelWatch watch(*window);
        failReopens(watch);
        MessageBoxAnswers::Queue(QMessageBox::Retry);  // the fault stays: asked again
        MessageBoxAnswers::Queue([] {
            faults::Stop();
            return QMessageBox::Retry;
        });
        Command("Záloha databáze")->trigger();
        faults::Stop();
    }
    const auto& shown = MessageBoxAnswers::History();
    ASSERT_EQ(shown.size(), 3u) << Texts().join("|").toStdString();
    for (int i : {0, 1}) {
        EXPECT_TRUE(shown[i].text.startsWith("Katalog se nepodařilo znovu otevřít!\n")) << shown[i].text.toStdString();
        EXPECT_TRUE(shown[i].text.endsWith("Zavřít: ukončit program.")) << shown[i].text.toStdString();
        EXPECT_EQ(shown[i].buttons, QMessageBox::Retry | QMessageBox::Close);
        EXPECT_EQ(shown[i].defaultButton, QMessageBox::Retry);
    }
    EXPECT_EQ(shown[2].text, "Záloha databáze provedena.");
    EXPECT_TRUE(data.db.Connected());
    EXPECT_EQ(TopNodes().size(), 4);
    EXPECT_EQ(ListedItems(), QStringList({"1", "2", "3"}));
    EXPECT_EQ(quits, 0);

    MessageBoxAnswers::Reset();
    {
        PanelWatch watch(*window);
        failReopens(watch);
        MessageBoxAnswers::Queue(QMessageBox::Close);
        Command("Záloha databáze")->trigger();
        faults::Stop();
    }
    EXPECT_EQ(MessageBoxAnswers::History().size(), 1u);
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(data.db.Connected());
}

// The pages each report command hands to the preview.
struct Previewed {
    Previewed()
    {
        SetReportPreviewer([this](TReportPageSource& source, TReport&, QWidget* owner) {
            owners.push_back(owner);
            QStringList texts;
            for (int i = 1; i <= source.PageCount(); ++i)
                for (const TPlacedText& t : source.Page(i).texts)
                    texts << t.element + "=" + t.text;
            pages.push_back(texts);
        });
    }
    ~Previewed() { SetReportPreviewer({}); }
    std::vector<QWidget*> owners;
    std::vector<QStringList> pages;
};

TEST_F(BackupCommands, EachReportCommandPreviewsItsReport)
{
    TfMain& w = *window;
    Select(Node(2));
    ASSERT_EQ(ListedItems().size(), 2);
    w.grid->setCurrentIndex(w.gridModel->index(1, 0));
    Previewed preview;
    for (QAction* entry : w.popupRepo->actions())
        if (!entry->isSeparator())
            entry->trigger();
    ASSERT_EQ(preview.pages.size(), 3u);
    EXPECT_EQ(preview.owners, std::vector<QWidget*>(3, &w));
    const QStringList& plain = preview.pages[0];
    EXPECT_TRUE(plain.contains("QRLabelTitle=Celkový seznam"));
    EXPECT_EQ(plain.filter(QRegularExpression("^qrNazev=")), QStringList({"qrNazev=b", "qrNazev=c"}));
    EXPECT_TRUE(preview.pages[1].contains("QRLabelTitle=Podle umístění"));
    EXPECT_EQ(preview.pages[1].filter(QRegularExpression("^qrNazev=")).size(), 3);
    EXPECT_TRUE(preview.pages[2].contains("QRLabelTitle=Podle skupin"));
    EXPECT_EQ(preview.pages[2].filter(QRegularExpression("^exprField=")),
              QStringList({"exprField=Regál", "exprField=Skříň"}));
    EXPECT_EQ(CurrentRow(), 1);  // the list stays where it stood
}

}  // namespace

// A lock that also keeps readers out outlasts the wait: the list cannot be read again after the
// refused backup. The user is told once and offered another try, which brings the list back.
TEST_F(BackupCommands, AListNotReadAgainForALockIsOfferedAgainAndComesBack)
{
    TMeral3Database other;
    ConnectOtherProgram(other);
    other.ExecSQL("BEGIN EXCLUSIVE");
    other.ExecSQL("DELETE FROM MATR WHERE IDENT=0");  // an exclusive lock is taken by a write
    QString titleBehindBox;
    MessageBoxAnswers::Queue([&] {
        titleBehindBox = window->gridModel->headerData(2, Qt::Horizontal).toString();
        other.ExecSQL("ROLLBACK");
        return QMessageBox::Retry;
    });
    Command("Záloha databáze")->trigger();
    ASSERT_EQ(MessageBoxAnswers::History().size(), 1u) << Texts().join("|").toStdString();
    EXPECT_EQ(titleBehindBox, "Označení");  // not the column's name while the list is unread
    const QString text = LastMessage()->text;
    EXPECT_TRUE(text.startsWith("Záloha se nezdařila! Katalog právě používá jiný program.")) << text.toStdString();
    EXPECT_TRUE(text.contains("\nSeznam položek se nepodařilo znovu načíst.\n\nOpakovat")) << text.toStdString();
    EXPECT_EQ(text.count("database is locked"), 1) << text.toStdString();
    EXPECT_EQ(LastMessage()->buttons, QMessageBox::Retry | QMessageBox::Close);
    EXPECT_EQ(ListedItems(), QStringList({"1", "2", "3"}));

    Command("Záloha databáze")->trigger();  // failed before: the list was left closed
    EXPECT_EQ(LastMessage()->text, "Záloha databáze provedena.");
}
