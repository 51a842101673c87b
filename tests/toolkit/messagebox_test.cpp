#include "toolkit/messagebox.h"

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
