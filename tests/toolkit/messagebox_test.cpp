#include "toolkit/messagebox.h"

#include "tests/support/settle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QScopeGuard>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override { MessageBoxAnswers::Reset(); }
};

TEST_F(MessageBoxTest, answersFromTheQueueThenWithTheSafeDefault)
{
    MessageBoxAnswers::Queue(QMessageBox::Yes);
    const auto buttons = QMessageBox::Yes | QMessageBox::No;
    EXPECT_EQ(ShowMessage(nullptr, "Smazat?", "Vymazat", QMessageBox::Warning, buttons), QMessageBox::Yes);
    EXPECT_EQ(ShowMessage(nullptr, "Smazat?", "Vymazat", QMessageBox::Warning, buttons), QMessageBox::No);
    EXPECT_EQ(ShowMessage(nullptr, "Hotovo.", "Info", QMessageBox::Information), QMessageBox::Ok);

    ASSERT_EQ(MessageBoxAnswers::History().size(), 3u);
    EXPECT_EQ(MessageBoxAnswers::History()[2].text, "Hotovo.");
    EXPECT_EQ(MessageBoxAnswers::History()[0].icon, QMessageBox::Warning);
}

TEST_F(MessageBoxTest, aQuotedValueIsCutToOneShortLine)
{
    EXPECT_EQ(MessageValue("Regál B"), "Regál B");
    EXPECT_EQ(MessageValue(QString(60, 'x')), QString(60, 'x'));
    EXPECT_EQ(MessageValue(QString(61, 'x')), QString(60, 'x') + "…");
    EXPECT_EQ(MessageValue("první řádek\r\ndruhý"), "první řádek…");
    EXPECT_EQ(MessageValue(QString("a\tb") + QChar(0) + "c"), "a b c");
    EXPECT_EQ(MessageValue(QString()), QString());
}

// A real box: a message of 900 long lines stays on the screen with its buttons, shows markup as
// typed, and Enter gives the default button.
TEST_F(MessageBoxTest, aHugeMessageFitsTheScreenAndEnterTakesTheDefaultButton)
{
    MessageBoxAnswers::Enable(false);
    const auto answering = qScopeGuard([] { MessageBoxAnswers::Enable(true); });
    QString text = "<b>Chyba</b> v obsahu:\n";
    for (int i = 0; i < 900; ++i)
        text += QString("řádek %1 ").arg(i).repeated(20) + '\n';
    text += QString("konec ").repeated(100) + "Ukončit aplikaci?";
    QRect frame, screen;
    QString shown;
    Qt::TextFormat format = Qt::AutoText;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(WaitUntil([] { return QApplication::activeModalWidget() != nullptr; }));
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        frame = box->frameGeometry();
        screen = box->screen()->availableGeometry();
        format = box->textFormat();
        shown = box->text();
        QTest::keyClick(box, Qt::Key_Return);
    });
    const auto answer = ShowMessage(nullptr, text, "Chyba", QMessageBox::Critical,
                                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    EXPECT_EQ(answer, QMessageBox::No);
    EXPECT_LE(frame.height(), screen.height());
    EXPECT_LE(frame.width(), screen.width());
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_TRUE(shown.startsWith("<b>Chyba</b> v obsahu:\nřádek 0 "));
    EXPECT_TRUE(shown.endsWith(" Ukončit aplikaci?"));  // the question the buttons answer stays
}

// Qt names its buttons in English unless its Czech translations are installed (this test installs
// none); every box reads Czech with mnemonics, and a mnemonic answers it.
TEST_F(MessageBoxTest, theButtonsReadCzechWithoutQtsTranslationsAndAnswerTheirMnemonics)
{
    MessageBoxAnswers::Enable(false);
    const auto answering = qScopeGuard([] { MessageBoxAnswers::Enable(true); });
    auto shown = [](QMessageBox::StandardButtons buttons, Qt::Key mnemonic) {
        QStringList texts;
        QTimer::singleShot(0, [&] {
            ASSERT_TRUE(WaitUntil([] { return QApplication::activeModalWidget() != nullptr; }));
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            for (QAbstractButton* button : box->buttons())
                texts << button->text();
            ASSERT_TRUE(QTest::qWaitForWindowActive(box));
            QTest::keyClick(box, mnemonic, Qt::AltModifier);
            if (!WaitUntil([box] { return !box->isVisible(); }))
                box->done(-1);  // the key answered nothing
        });
        const auto answer = ShowMessage(nullptr, "Smazat?", "Vymazat", QMessageBox::Question, buttons);
        texts.sort();
        return std::make_pair(texts.join(u' ').toStdString(), answer);
    };
    const auto yesNoCancel = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    EXPECT_EQ(shown(yesNoCancel, Qt::Key_A), std::make_pair(std::string("&Ano &Ne &Storno"), QMessageBox::Yes));
    EXPECT_EQ(shown(yesNoCancel, Qt::Key_S).second, QMessageBox::Cancel);
    EXPECT_EQ(shown(QMessageBox::Ok, Qt::Key_O), std::make_pair(std::string("&OK"), QMessageBox::Ok));
}
