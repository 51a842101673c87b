// The main window for a screen reader and the keyboard alone: every control named, every
// command reachable by a key, Czech in every word.

#include "mainwindow_fixture.h"
#include "tests/dialogs/modal.h"
#include "tests/support/settle.h"
#include "tests/support/widgetwalk.h"

#include "toolkit/codeeditor.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <iostream>

namespace {

class Keyboard : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        Sql("INSERT INTO TYPY VALUES(1,0,0,'Sklad','');"
            "INSERT INTO TYPY VALUES(2,0,0,'Prázdná','');"
            "INSERT INTO MATR VALUES(10,1,'Vrtačka','','Dílna',NULL,NULL);"
            "INSERT INTO MATR VALUES(11,1,'Pila','','Dílna',NULL,NULL);");
        Open();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        Select(AllItems());
    }
    // The menu pop-up that shows once the events have run, closed again.
    QString OpenedMenu()
    {
        QString title;
        if (!WaitUntil([&] { return QApplication::activePopupWidget() != nullptr; }))
            return title;
        if (QWidget* popup = QApplication::activePopupWidget()) {
            title = popup->objectName().isEmpty() ? QStringLiteral("menu") : popup->objectName();
            popup->close();
        }
        return title;
    }
    // Whether a menu of the menu bar holds the action, and both carry a mnemonic.
    bool InMenuBar(QAction* action)
    {
        for (QAction* title : window->mm->actions())
            if (title->menu() && title->menu()->actions().contains(action))
                return !QKeySequence::mnemonic(title->text()).isEmpty()
                    && !QKeySequence::mnemonic(action->text()).isEmpty();
        return false;
    }
};

TEST_F(Keyboard, EveryReachableControlHasAnAccessibleName)
{
    EXPECT_EQ(UnnamedControls(window.get()), QStringList());
    EXPECT_EQ(AccessibleName(window->toolRepo), "Sestava");
    EXPECT_EQ(AccessibleName(window->tool), "Nástroje");
    EXPECT_EQ(AccessibleName(window->edFilter), "Filtr položek");
    EXPECT_EQ(AccessibleName(window->tree), "Skupiny");
    EXPECT_EQ(AccessibleName(window->grid), "Položky");
    EXPECT_EQ(AccessibleName(window->memo), "Obsah položky");
    // What a screen reader reads, in the order Tab takes.
    for (QWidget* w : ReachableControls(window.get()))
        std::cout << "  " << AccessibleName(w).toStdString() << " [" << w->metaObject()->className() << "]\n";
}

TEST_F(Keyboard, MenusCarryUniqueMnemonics)
{
    QStringList titles;
    for (QAction* title : window->mm->actions()) {
        titles << title->text();
        EXPECT_EQ(MnemonicFaults(MenuTexts(title->menu())), QStringList()) << title->text().toStdString();
    }
    EXPECT_EQ(MnemonicFaults(titles), QStringList());
    for (QMenu* popup : {window->popupRepo, window->gridPopup, window->popupTree})
        EXPECT_EQ(MnemonicFaults(MenuTexts(popup)), QStringList()) << popup->objectName().toStdString();
}

TEST_F(Keyboard, EveryToolBarCommandIsReachableByAKey)
{
    for (QAction* action : window->tool->actions()) {
        if (action->isSeparator())
            continue;
        QWidget* widget = window->tool->widgetForAction(action);
        if (widget == window->edFilter || widget == window->toolRepo)
            continue;  // the filter box and the report button have their own tests
        const auto* button = qobject_cast<QAbstractButton*>(widget);
        const bool mnemonic = button && button->text().contains(u'&');
        EXPECT_TRUE(!action->shortcut().isEmpty() || InMenuBar(action) || mnemonic) << action->toolTip().toStdString();
    }
    EXPECT_TRUE(window->toolRepo->focusPolicy() & Qt::TabFocus);
    EXPECT_EQ(window->toolHelp->shortcut(), QKeySequence(QKeySequence::HelpContents));
}

TEST_F(Keyboard, F10AndAloneAltOpenTheMenuBarAndTheReportButtonItsMenu)
{
    window->grid->setFocus();
    QTest::keyClick(window->grid, Qt::Key_F10);
    EXPECT_FALSE(OpenedMenu().isEmpty());
    QTest::keyPress(window->grid, Qt::Key_Alt);
    QTest::keyRelease(window->grid, Qt::Key_Alt);
    EXPECT_FALSE(OpenedMenu().isEmpty());

    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Down}) {
        QString opened;
        QTimer::singleShot(0, window.get(), [&] { opened = OpenedMenu(); });
        window->toolRepo->setFocus();
        QTest::keyClick(window->toolRepo, key);  // returns once the menu has closed
        EXPECT_EQ(opened, "popupRepo") << key;
    }
}

TEST_F(Keyboard, CtrlFFocusesTheFilterBox)
{
    window->grid->setFocus();
    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(WaitUntil([&] { return window->edFilter->hasFocus(); }));
}

TEST_F(Keyboard, ListKeysEditAddDeleteAndTabMovesOn)
{
    QTableView* grid = window->grid;
    grid->setFocus();
    QStringList captions;
    auto closeDialog = [&](QDialog& d) {
        captions << d.windowTitle();
        d.reject();
    };
    WhenModal(closeDialog);
    QTest::keyClick(grid, Qt::Key_Return);
    WhenModal(closeDialog);
    QTest::keyClick(grid, Qt::Key_Insert);
    EXPECT_EQ(captions, QStringList({"Úprava položky", "Nová položka"}));

    const QStringList before = ListedItems();
    MessageBoxAnswers::Queue(QMessageBox::No);
    QTest::keyClick(grid, Qt::Key_Delete);
    ASSERT_NE(LastMessage(), nullptr);
    EXPECT_TRUE(LastMessage()->text.startsWith("Vymazat položku"));
    EXPECT_EQ(LastMessage()->defaultButton, QMessageBox::No);
    EXPECT_EQ(ListedItems(), before);

    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_TRUE(WaitUntil([&] { return !grid->hasFocus(); }));
}

TEST_F(Keyboard, CtrlEndGoesToTheTrueLastRow)
{
    QString script = "BEGIN;";
    for (int i = 100; i < 500; ++i)
        script += QString("INSERT INTO MATR VALUES(%1,1,'Z %2','','',NULL,NULL);").arg(i).arg(i, 4, 10, QChar('0'));
    Sql(script + "COMMIT;");
    window->table.Requery();
    window->grid->setFocus();
    QTest::keyClick(window->grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(window->tableIDENT->AsInteger(), 499);  // "Z 0499" is last by designation
}

TEST_F(Keyboard, DeletingAGroupDefaultsToNo)
{
    Select(Node(2));
    MessageBoxAnswers::Queue(QMessageBox::No);
    window->toolDelGClick();
    ASSERT_NE(LastMessage(), nullptr);
    EXPECT_EQ(LastMessage()->defaultButton, QMessageBox::No);
    EXPECT_NE(Node(2), nullptr);
}

TEST_F(Keyboard, NoEnglishWordIsShown)
{
    QStringList texts = ShownTexts(window.get());
    for (QAction* title : window->mm->actions())
        texts << title->text() << MenuTexts(title->menu());
    EXPECT_EQ(EnglishWords(texts), QStringList());
}

}  // namespace
