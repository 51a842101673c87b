#pragma once

#include "toolkit/messagebox.h"

#include <gtest/gtest.h>

// The one box of a save refused for another program's lock: the Czech sentence, the engine's
// text below it, and OK alone (no offer to end the program).
inline void ExpectOneLockedSaveBox()
{
    const auto& shown = MessageBoxAnswers::History();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].text.startsWith("Uložení se nezdařilo! Katalog právě zamkl jiný program")) << shown[0].text.toStdString();
    EXPECT_TRUE(shown[0].text.endsWith("database is locked")) << shown[0].text.toStdString();
    EXPECT_EQ(shown[0].buttons, QMessageBox::Ok);
}
