#include "toolkit/guard.h"

#include "toolkit/messagebox.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(Guard, ErrorsReachTheHandlerAndASilentAbortDoesNot)
{
    QStringList seen;
    SetErrorHandler([&](const Exception& e) { seen << e.Message(); });
    bool after = false;
    Guarded([&] {
        throw EDatabaseError("db: disk I/O error");
        after = true;
    });
    Guarded([] { throw std::runtime_error("out of range"); });
    Guarded([] { throw EAbort(); });
    Guarded([] {});
    SetErrorHandler(nullptr);
    EXPECT_FALSE(after);
    EXPECT_EQ(seen, QStringList({"db: disk I/O error", "out of range"}));
}

TEST(Guard, WithoutAHandlerTheErrorIsShownInAChybaBox)
{
    MessageBoxAnswers::Reset();
    Guarded([] { throw Exception("Soubor chybí."); });
    ASSERT_EQ(MessageBoxAnswers::History().size(), 1u);
    EXPECT_EQ(MessageBoxAnswers::History()[0].text, "Soubor chybí.");
    EXPECT_EQ(MessageBoxAnswers::History()[0].caption, "Chyba");
    EXPECT_EQ(MessageBoxAnswers::History()[0].icon, QMessageBox::Critical);
    MessageBoxAnswers::Reset();
}

// A handler that fails itself must not let the error escape into Qt's event loop.
TEST(Guard, AFailingHandlerIsContained)
{
    SetErrorHandler([](const Exception&) { throw std::runtime_error("handler broke"); });
    EXPECT_NO_THROW(Guarded([] { throw Exception("x"); }));
    SetErrorHandler(nullptr);
}

}  // namespace
