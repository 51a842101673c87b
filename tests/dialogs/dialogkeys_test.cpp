// The item and group dialogs for a screen reader and the keyboard alone: every control named,
// one mnemonic per key, Tab in reading order, Czech in every word.

#include "dialogs/fmMatrEdit.h"
#include "dialogs/fmTypyEdit.h"

#include "modal.h"

#include "tests/data/catalogue.h"
#include "tests/support/contrast.h"
#include "tests/support/settle.h"
#include "tests/support/widgetwalk.h"

#include <QApplication>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

namespace {

using DialogKeys = CatalogueTest;

// Runs the dialog and checks it while it shows; Storno closes it.
template <typename Check>
void WhileShown(const std::function<void()>& run, Check check)
{
    bool checked = false;
    WhenModal([&](QDialog& d) {
        check(d);
        checked = true;
        d.reject();
    });
    run();
    EXPECT_TRUE(checked);
}

void CheckWords(QDialog& d)
{
    EXPECT_EQ(UnnamedControls(&d), QStringList());
    EXPECT_EQ(MnemonicFaults(MnemonicTexts(&d)), QStringList());
    EXPECT_EQ(EnglishWords(ShownTexts(&d)), QStringList());
    EXPECT_EQ(Control<QAbstractButton>(d, "bCan")->text(), "&Storno");
}

TEST_F(DialogKeys, ItemDialogIsNamedCzechAndHasOneMnemonicPerKey)
{
    int ident = 0;
    WhileShown([&] { ItemDialog(0, 0, nullptr, "Nová položka", ident); },
               [](QDialog& d) {
                   CheckWords(d);
                   EXPECT_EQ(AccessibleName(Control<QWidget>(d, "btn")), "Vybrat soubor dokumentu");
                   EXPECT_EQ(AccessibleName(Control<QWidget>(d, "edMisto")), "Umístění:");
                   Control<QTabWidget>(d, "pages")->setCurrentIndex(1);
                   CheckWords(d);
                   EXPECT_EQ(AccessibleName(Control<QWidget>(d, "memo")), "Podrobnosti položky");
               });
}

TEST_F(DialogKeys, GroupDialogIsNamedCzechAndHasOneMnemonicPerKey)
{
    int ident = 0;
    WhileShown([&] { GroupDialog(0, 0, 0, "Nová skupina", "Kořenová větev", ident); }, CheckWords);
}

// Tab walks the boxes and buttons as they read, top to bottom, and reaches every control.
TEST_F(DialogKeys, TabReachesEveryItemDialogControlInReadingOrder)
{
    QStringList order;
    QStringList reachable;
    int ident = 0;
    WhileShown([&] { ItemDialog(0, 0, nullptr, "Nová položka", ident); },
               [&](QDialog& d) {
                   for (QWidget* w : ReachableControls(&d))
                       reachable << w->objectName();
                   QWidget* first = Control<QWidget>(d, "edNazev");
                   first->setFocus();
                   EXPECT_TRUE(WaitUntil([&] { return first->hasFocus(); }));
                   QWidget* at = first;
                   do {
                       order << at->objectName();
                       QTest::keyClick(at, Qt::Key_Tab);
                       at = QApplication::focusWidget();
                   } while (at && at != first && order.size() < 20);
               });
    const QStringList form{"edNazev", "edPopis", "edPath", "btn", "edMisto", "bOK", "bCan"};
    EXPECT_EQ(order.mid(0, form.size()), form);
    QStringList sortedOrder = order;
    sortedOrder.sort();
    reachable.sort();
    EXPECT_EQ(sortedOrder, reachable);
}

// The "vložit soubor" link reads at least 4.5:1 against its strip in a light and a dark scheme.
TEST_F(DialogKeys, TheInsertLinkIsLegibleInALightAndADarkScheme)
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x22, 0x20, 0x20));
    dark.setColor(QPalette::Button, QColor(0x42, 0x42, 0x45));
    dark.setColor(QPalette::ButtonText, Qt::white);
    dark.setColor(QPalette::Link, QColor(0x8a, 0xb4, 0xf8));
    for (const QPalette& scheme : {QPalette(), dark}) {
        QApplication::setPalette(scheme);
        double contrast = 0;
        int ident = 0;
        WhileShown([&] { ItemDialog(0, 0, nullptr, "Nová položka", ident); },
                   [&](QDialog& d) {
                       auto* link = Control<QToolButton>(d, "btnLink");
                       contrast = Contrast(link->palette().color(QPalette::ButtonText),
                                           link->parentWidget()->palette().color(QPalette::Window));
                   });
        EXPECT_GE(contrast, kLegible) << scheme.color(QPalette::Window).name().toStdString();
    }
    QApplication::setPalette(QPalette());
}

}  // namespace
