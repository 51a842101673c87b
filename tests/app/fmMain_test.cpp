#include "mainwindow_fixture.h"
#include "tests/support/settle.h"

#include "data/progress.h"
#include "toolkit/singleinstance.h"

#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QProcess>
#include <QProgressBar>
#include <QScreen>
#include <QSplitter>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

using MainWindow = MainWindowTest;

TEST_F(MainWindow, FirstStartWithoutSettingsUsesTheDesignedPlacement)
{
    ASSERT_FALSE(QFile::exists(data.SettingsFile().fileName()));
    TfMain& w = Open();
    EXPECT_EQ(w.windowTitle(), "Regalon {5C2E9A41-7B03-4F6D-9E18-A2D47B6C0E95}");
    EXPECT_EQ(w.objectName(), "fMain");
    w.show();
    Settle();
    // The outer bounds, as far as the screen has room for them.
    const QRect designed(8, 8, 800, 600);
    const QRect area = w.screen()->availableGeometry();
    EXPECT_TRUE(area.contains(w.frameGeometry()));
    EXPECT_EQ(w.frameGeometry().size(), designed.size().boundedTo(area.size()));
    if (area.contains(designed)) {
        EXPECT_EQ(w.frameGeometry(), designed);
    }
    EXPECT_EQ(w.tree->width(), 256);
    EXPECT_EQ(w.panelMemo->height(), 256);
    EXPECT_EQ(w.grid->columnWidth(1), 128);
    EXPECT_EQ(w.grid->columnWidth(2), 128);
    EXPECT_EQ(w.grid->columnWidth(3), 256);
    EXPECT_EQ(w.grid->columnWidth(4), 80);
    EXPECT_GT(w.grid->columnWidth(0), 40);  // eight digits
    // An empty catalogue: the panels keep the library and the database paths.
    EXPECT_EQ(w.StatusText(1), data.db.Driver());
    EXPECT_EQ(w.StatusText(2), data.db.DatabaseFile());
    EXPECT_TRUE(w.StatusText(0).isEmpty());
    EXPECT_FALSE(w.panelProgress->isVisible());
    EXPECT_TRUE(w.table.Active());
    EXPECT_EQ(w.table.IndexName(), "IXMATR");
    EXPECT_EQ(w.tree->topLevelItemCount(), 2);
    EXPECT_FALSE(w.table.Filtered());
}

TEST_F(MainWindow, PlacementIsWrittenOnCloseAndReadBackAtTheNextStart)
{
    TfMain& w = Open();
    w.show();
    w.move(40, 30);
    w.resize(700, 500);
    Settle();
    const QRect outer = w.frameGeometry();
    ASSERT_EQ(outer.topLeft(), QPoint(40, 30));
    w.splitterV->setSizes({300, 595});
    w.splitterH->setSizes({300, 200});
    w.grid->setColumnWidth(3, 111);
    Settle();
    const int contentHeight = w.panelMemo->height();
    ASSERT_TRUE(w.close());
    EXPECT_FALSE(data.db.Connected());

    auto ini = Settings();
    // The frame's bounds, not the inner size.
    EXPECT_EQ(ini->value("fMain/Left").toInt(), 40);
    EXPECT_EQ(ini->value("fMain/Top").toInt(), 30);
    EXPECT_EQ(ini->value("fMain/Width").toInt(), outer.width());
    EXPECT_EQ(ini->value("fMain/Height").toInt(), outer.height());
    EXPECT_EQ(ini->value("fMain/splitterV").toInt(), 300);
    EXPECT_EQ(ini->value("fMain/splitterH").toInt(), contentHeight);
    EXPECT_EQ(ini->value("grid/POPIS").toInt(), 111);
    EXPECT_EQ(ini->value("grid/IDTYP").toInt(), 128);
    EXPECT_TRUE(ini->contains("grid/IDENT"));
    EXPECT_EQ(ini->childKeys().size(), 0);  // nothing outside the two sections

    TfMain& again = Open();
    again.show();
    Settle();
    EXPECT_EQ(again.frameGeometry(), outer);
    EXPECT_EQ(again.size(), QSize(700, 500));
    EXPECT_EQ(again.tree->width(), 300);
    EXPECT_EQ(again.panelMemo->height(), contentHeight);
    EXPECT_EQ(again.grid->columnWidth(3), 111);
}

TEST_F(MainWindow, ClosingMaximisedStoresTheMaximisedBoundsAndTheNextStartIsMaximised)
{
    TfMain& w = Open();
    w.showMaximized();
    Settle();
    ASSERT_TRUE(w.isMaximized());
    const QRect maximised = w.frameGeometry();
    ASSERT_TRUE(w.close());
    auto ini = Settings();
    EXPECT_EQ(ini->value("fMain/Width").toInt(), maximised.width());
    EXPECT_EQ(ini->value("fMain/Height").toInt(), maximised.height());

    // Maximised again, with the frame where the maximised one was: on the screen, not beyond it.
    TfMain& again = Open();
    again.show();
    Settle();
    EXPECT_TRUE(again.isMaximized());
    EXPECT_EQ(again.frameGeometry(), maximised);
    EXPECT_TRUE(again.screen()->availableGeometry().contains(again.frameGeometry()));
}

TEST_F(MainWindow, APlacementOffTheScreenComesBackOnIt)
{
    {
        auto ini = Settings();
        ini->setValue("fMain/Left", -3000);
        ini->setValue("fMain/Top", 5000);
        ini->setValue("fMain/Width", 9000);
        ini->setValue("fMain/Height", 500);
    }
    TfMain& w = Open();
    w.show();
    Settle();
    const QRect area = w.screen()->availableGeometry();
    EXPECT_TRUE(area.contains(w.frameGeometry()));
    EXPECT_EQ(w.frameGeometry().width(), area.width());
    EXPECT_EQ(w.frameGeometry().height(), 500);
}

TEST_F(MainWindow, UnreadableValuesFallBackToTheDefaults)
{
    Open().show();
    Settle();
    const QRect designed = window->frameGeometry();
    window.reset();
    {
        auto ini = Settings();
        ini->setValue("fMain/Left", "vlevo");
        ini->setValue("fMain/Width", "");
        ini->setValue("fMain/splitterV", "12px");
        ini->setValue("grid/NAZEV", "široký");
        ini->setValue("grid/MISTO", 99);
    }
    TfMain& w = Open();
    w.show();
    Settle();
    EXPECT_EQ(w.frameGeometry(), designed);
    EXPECT_EQ(w.tree->width(), 256);
    EXPECT_EQ(w.grid->columnWidth(2), 128);
    EXPECT_EQ(w.grid->columnWidth(4), 99);
}

TEST_F(MainWindow, AnUnwritableSettingsFileIsReportedAndTheWindowStaysOpen)
{
    TfMain& w = Open();
    w.show();
    QDir().mkpath(data.SettingsFile().fileName());  // a folder where the file should be
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(data.db.Connected());
    ASSERT_NE(LastMessage(), nullptr);
    EXPECT_EQ(LastMessage()->text,
              "Unable to write to " + data.SettingsFile().fileName() + " Ukončit aplikaci?");
    EXPECT_EQ(quits, 0);  // answered No
}

TEST_F(MainWindow, AnErrorAsksWhetherToEndAndYesEndsWithoutSavingThePlacement)
{
    TfMain& w = Open();
    w.show();
    MessageBoxAnswers::Queue(QMessageBox::No);
    Guarded([] { throw Exception("Něco selhalo."); });
    ASSERT_NE(LastMessage(), nullptr);
    EXPECT_EQ(LastMessage()->text, "Něco selhalo. Ukončit aplikaci?");
    EXPECT_EQ(LastMessage()->caption, "Chyba");
    EXPECT_EQ(LastMessage()->icon, QMessageBox::Critical);
    EXPECT_EQ(LastMessage()->buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(LastMessage()->defaultButton, QMessageBox::No);  // a stray Enter goes on
    EXPECT_EQ(LastMessage()->owner, &w);
    EXPECT_EQ(quits, 0);

    // Errors of the standard library reach the same handler.
    MessageBoxAnswers::Queue(QMessageBox::Yes);
    Guarded([] { throw std::runtime_error("bad"); });
    EXPECT_EQ(LastMessage()->text, "bad Ukončit aplikaci?");
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(QuitRequested());
    window.reset();  // what ending the main loop does: no closing steps
    EXPECT_FALSE(QFile::exists(data.SettingsFile().fileName()));
}

TEST_F(MainWindow, ACatalogueThatCannotBeOpenedIsReportedWhileTheWindowIsBuilt)
{
    data.db.Close();
    QFile file(data.db.DatabaseFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QByteArray(4096, 'x'));
    file.close();

    TfMain& w = Open();  // answered No: the window opens without list and tree
    ASSERT_EQ(MessageBoxAnswers::History().size(), 1u);
    EXPECT_EQ(LastMessage()->caption, "Chyba");
    EXPECT_TRUE(LastMessage()->text.endsWith(" Ukončit aplikaci?"));
    EXPECT_FALSE(w.CatalogueOpen());
    EXPECT_FALSE(w.table.Active());
    EXPECT_EQ(w.tree->topLevelItemCount(), 0);
    EXPECT_EQ(w.StatusText(2), data.db.DatabaseFile());
    EXPECT_EQ(quits, 0);

    window.reset();
    MessageBoxAnswers::Queue(QMessageBox::Yes);
    Open();
    EXPECT_TRUE(QuitRequested());  // start-up does not enter the main loop then
}

TEST_F(MainWindow, ProgressStepMarksEighthsAndNamesTheFile)
{
    TfMain& w = Open();
    w.ShowProgress(true, true, "Zálohuji");
    EXPECT_TRUE(w.panelProgress->isVisible() || !w.isVisible());
    EXPECT_FALSE(w.panelProgress->isHidden());
    EXPECT_FALSE(w.brCancel->isHidden());
    EXPECT_EQ(w.progressText->text(), "Zálohuji");

    w.progress->setMaximum(200);
    EXPECT_TRUE(w.ProgressStep(-3, "C:\\Dokumenty\\výkres.pdf"));
    EXPECT_EQ(w.progress->value(), 75);
    EXPECT_EQ(w.currentFile->text(), "výkres.pdf");
    w.progress->setMaximum(7);
    w.ProgressStep(-3, "C:soubor.txt");
    EXPECT_EQ(w.progress->value(), 0);
    EXPECT_EQ(w.currentFile->text(), "soubor.txt");
    w.ProgressStep(5, "/home/user/a b.odt");
    EXPECT_EQ(w.progress->value(), 5);
    EXPECT_EQ(w.currentFile->text(), "a b.odt");
    w.ProgressStep(1, "bez cesty");
    EXPECT_EQ(w.currentFile->text(), "bez cesty");

    w.cancelRequested = true;
    EXPECT_FALSE(w.ProgressStep(2, "x"));
    w.ShowProgress(false, false, QString());
    EXPECT_TRUE(w.panelProgress->isHidden());
    EXPECT_TRUE(w.progressText->text().isEmpty());
    EXPECT_TRUE(w.currentFile->text().isEmpty());
    EXPECT_TRUE(w.cancelRequested);  // only the backup clears it

    w.ShowProgress(true, false, "Rozbaluji dokument");
    EXPECT_TRUE(w.brCancel->isHidden());
    EXPECT_EQ(w.progress->value(), 0);
}

TEST_F(MainWindow, ProgressMessageMovesTheBarWithoutShowingThePanel)
{
    TfMain& w = Open();
    w.show();
    SendProgress(&w, 10, 100);
    EXPECT_EQ(w.progress->maximum(), 100);
    EXPECT_EQ(w.progress->value(), 10);
    EXPECT_TRUE(w.panelProgress->isHidden());
    SendProgress(&w, 150, 300);
    EXPECT_EQ(w.progress->value(), 150);
}

TEST_F(MainWindow, ProgressPanelFloatsAtTheTopRightOfTheRightSide)
{
    TfMain& w = Open();
    w.show();
    Settle();
    w.ShowProgress(true, false, "x");
    const QRect panel = w.panelProgress->geometry();
    EXPECT_EQ(panel.size(), QSize(403, 70));
    EXPECT_EQ(panel.top(), 32);
    EXPECT_EQ(w.rightSide->width() - panel.right() - 1, 20);
    w.resize(1000, 700);
    Settle();
    EXPECT_EQ(w.rightSide->width() - w.panelProgress->geometry().right() - 1, 20);
}

TEST_F(MainWindow, MenusAndToolbarCarryEveryCommand)
{
    TfMain& w = Open();
    QStringList menus;
    for (QAction* menu : w.mm->actions())
        menus << QString(menu->text()).remove(u'&');
    EXPECT_EQ(menus, QStringList({"Soubor", "Strom", "Data", "Pomoc"}));
    auto entries = [&](int index) {
        QStringList texts;
        for (QAction* a : w.mm->actions().at(index)->menu()->actions()) {
            texts << (a->isSeparator() ? QString("-") : QString(a->text()).remove(u'&'));
            EXPECT_TRUE(a->shortcut().isEmpty());
        }
        return texts;
    };
    EXPECT_EQ(entries(0), QStringList({"Záloha databáze", "Obnova databáze ze zálohy", "-", "Otevři pracovní složku",
                                       "-", "Konec"}));
    EXPECT_EQ(entries(1), QStringList({"Nová kořenová skupina", "Nová skupina ve vybrané větvi", "Úprava skupiny",
                                       "-", "Vymazat skupinu"}));
    EXPECT_EQ(entries(2), QStringList({"Otevři související dokument", "-", "Nová položka", "Úprava položky",
                                       "Smazat položku", "-", "Základní tisk", "Tisk podle umístění",
                                       "Tisk podle skupin", "Štítky…", "-", "Editace míst", "Nastav filtr", "-", "Export do CSV…",
                                       "Import z CSV…"}));
    EXPECT_EQ(entries(3), QStringList({"Nápověda", "O programu..."}));

    QStringList hints;
    for (QAction* a : w.tool->actions())
        if (!a->isSeparator()) {
            QWidget* widget = w.tool->widgetForAction(a);
            hints << (widget && !widget->toolTip().isEmpty() ? widget->toolTip() : a->toolTip());
        }
    EXPECT_EQ(hints, QStringList({"Nová kořenová skupina", "Nová skupina ve vybrané větvi", "Úprava skupiny",
                                  "Vymazat skupinu", "Nová položka", "Úprava položky", "Smazat položku",
                                  "Otevři dokument", "Sestava", "Filtr (Ctrl+F)", "Filtr hledá i v textu uložených dokumentů",
                                  "Nastav filtr", "Nápověda"}));
    EXPECT_EQ(w.edFilter->maxLength(), 128);
    QStringList reports;
    for (QAction* a : w.popupRepo->actions())
        reports << (a->isSeparator() ? QString("-") : QString(a->text()).remove(u'&'));
    EXPECT_EQ(reports, QStringList({"Základní", "-", "Podle umístění", "Podle skupin"}));
}

TEST_F(MainWindow, KonecClosesTheWindowAndTheConnection)
{
    TfMain& w = Open();
    w.show();
    QAction* konec = w.mm->actions().at(0)->menu()->actions().last();
    konec->trigger();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(data.db.Connected());
    EXPECT_TRUE(QFile::exists(data.SettingsFile().fileName()));
}

// The program itself, twice: the second start finds the first and ends before it makes its
// work folder, that is without touching any catalogue.
TEST(SingleInstance, SecondStartSignalsTheFirstAndEndsWithoutOpeningTheDatabase)
{
    QTemporaryDir sockets, first, second;
    auto environment = [&](const QTemporaryDir& dataHome) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", sockets.path());  // a socket of its own, never a real running instance
        env.insert("XDG_DATA_HOME", dataHome.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        return env;
    };
    const QByteArray previousRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", sockets.path().toUtf8());
    const QString socket = TSingleInstance::ServerName(QString::fromLatin1(kInstanceTitle));
    qputenv("XDG_RUNTIME_DIR", previousRuntime);
    ASSERT_TRUE(socket.startsWith(sockets.path()));

    QProcess running;
    running.setProcessEnvironment(environment(first));
    running.start(REGALON_PROGRAM, {});
    ASSERT_TRUE(running.waitForStarted(10000));
    const QString work = "/Regalon {5C2E9A41-7B03-4F6D-9E18-A2D47B6C0E95}";
    const QString catalogue = first.path() + work + "/regalon.db3";
    ASSERT_TRUE(WaitUntil([&] {
        return (QFile::exists(socket) && QFile::exists(catalogue)) || running.state() != QProcess::Running;
    }));
    ASSERT_TRUE(QFile::exists(socket)) << running.readAllStandardError().toStdString();
    ASSERT_TRUE(QFile::exists(catalogue));

    QProcess later;
    later.setProcessEnvironment(environment(second));
    later.start(REGALON_PROGRAM, {});
    ASSERT_TRUE(later.waitForFinished(30000));
    EXPECT_EQ(later.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(later.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(second.path() + work));
    EXPECT_EQ(running.state(), QProcess::Running);

    running.kill();
    running.waitForFinished(10000);
}

TEST_F(MainWindow, TheWindowIsDrawnInAProportionalFace)
{
    // Where fontconfig has no proportional sans family, "sans-serif" falls to a monospace one.
    TfMain& w = Open();
    for (const QWidget* widget : std::initializer_list<const QWidget*>{&w, w.mm, w.edFilter}) {
        const QFontInfo drawn(widget->font());
        EXPECT_FALSE(drawn.fixedPitch()) << widget->objectName().toStdString() << ": " << drawn.family().toStdString();
    }
}

}  // namespace
