// The error events of Edit, Post and Delete: the handler's answer decides whether the operation
// is tried again, given up quietly or raised. The failures are real: a second connection holding
// the write lock, a unique key, a foreign key.

#include "sql3_catalog.h"

#include <gtest/gtest.h>

namespace {

const QString kLocked = QStringLiteral("db: database is locked");

// A live query whose database another connection can lock, as a second program would.
struct SharedCatalog : LiveQuery {
    TMeral3Database other;
    QStringList errors;  // what the error event was told, in order

    explicit SharedCatalog(int items) : LiveQuery(items)
    {
        other.SetName(QStringLiteral("other"));
        other.SetDriver(EngineLibraryPath());
        other.SetDatabaseFile(db.DatabaseFile());
        other.Open();
    }

    void Lock() { other.StartTransaction(tmImmediate); }
    void Unlock() { other.Rollback(); }

    // For a retry: the first retry meets the lock again; before the second the other program lets go.
    std::function<void()> UnlockAtSecondError()
    {
        return [this] {
            if (errors.size() == 2)
                Unlock();
        };
    }

    // A handler that records the error and answers `action`; `onError` runs first (it may remove
    // the cause). The answer is left alone for daFail, so the default the engine passes is tested.
    TMeral3Command::TErrorEvent Answer(TDataAction action, std::function<void()> onError = {})
    {
        return [this, action, onError](TMeral3Command& ds, const EDatabaseError& e, TDataAction& answer) {
            EXPECT_EQ(&ds, &query);
            errors << e.Message();
            if (onError)
                onError();
            if (action != daFail)
                answer = action;
        };
    }

    QString Name(int ident)
    {
        return Value(QStringLiteral("SELECT NAZEV FROM MATR WHERE IDENT=%1").arg(ident));
    }
};

// Editing takes the write lock first, so two programs cannot edit at once.
void LockBeforeEditing(SharedCatalog& t)
{
    t.query.BeforeEdit = [](TMeral3Command& ds) { ds.Database()->StartTransaction(tmImmediate); };
    t.OpenOn(QStringLiteral("SELECT * FROM MATR ORDER BY IDENT"));
    t.Lock();
}

// Item 1 renamed in an open edit while the other program holds the lock.
void EditItemOneWhileLocked(SharedCatalog& t)
{
    t.OpenOn(QStringLiteral("SELECT * FROM MATR ORDER BY IDENT"));
    t.query.Edit();
    t.query.FieldByName(QStringLiteral("NAZEV")).SetAsString(QStringLiteral("upraveno"));
    t.Lock();
}

}  // namespace

TEST(EditErrors, FailRaisesAndAbortReturnsQuietlyBothInBrowseMode)
{
    SharedCatalog t(3);
    LockBeforeEditing(t);
    t.query.OnEditError = t.Answer(daFail);
    EXPECT_EQ(ErrorOf([&] { t.query.Edit(); }), kLocked);
    EXPECT_EQ(t.query.State(), dsBrowse);

    t.query.OnEditError = t.Answer(daAbort);
    EXPECT_EQ(ErrorOf([&] { t.query.Edit(); }), "<no error>");
    EXPECT_EQ(t.query.State(), dsBrowse);
    EXPECT_EQ(t.errors, (QStringList{kLocked, kLocked}));
}

TEST(EditErrors, RetryRunsTheEditAgainUntilItSucceeds)
{
    SharedCatalog t(3);
    LockBeforeEditing(t);
    t.query.OnEditError = t.Answer(daRetry, t.UnlockAtSecondError());
    t.query.Edit();
    EXPECT_EQ(t.errors, (QStringList{kLocked, kLocked}));
    EXPECT_EQ(t.query.State(), dsEdit);
    EXPECT_TRUE(t.db.TransactionActive());
    t.query.FieldByName(QStringLiteral("NAZEV")).SetAsString(QStringLiteral("upraveno"));
    t.query.Post();
    t.db.Commit();
    EXPECT_EQ(t.Name(1), "upraveno");
}

TEST(PostErrors, FailRaisesAndAbortReturnsQuietlyBothKeepingTheEditOpen)
{
    SharedCatalog t(3);
    EditItemOneWhileLocked(t);
    t.query.OnPostError = t.Answer(daFail);
    EXPECT_EQ(ErrorOf([&] { t.query.Post(); }), kLocked);
    EXPECT_EQ(t.query.State(), dsEdit);

    t.query.OnPostError = t.Answer(daAbort);
    EXPECT_EQ(ErrorOf([&] { t.query.Post(); }), "<no error>");
    EXPECT_EQ(t.query.State(), dsEdit);
    EXPECT_EQ(t.errors, (QStringList{kLocked, kLocked}));
    t.Unlock();
    EXPECT_EQ(t.Name(1), "Položka 001");
}

TEST(PostErrors, AbortAlsoServesTheChecksBeforeWriting)
{
    LiveQuery t(1);
    t.query.SetRequestLive(false);
    int handled = 0;
    t.query.OnPostError = [&](TMeral3Command&, const EDatabaseError& e, TDataAction& action) {
        ++handled;
        EXPECT_EQ(e.Message(), "query: Cannot modify a read-only dataset");
        action = daAbort;
    };
    t.OpenOn(QStringLiteral("SELECT * FROM MATR"));
    t.query.Edit();
    t.query.FieldByName(QStringLiteral("NAZEV")).SetAsString(QStringLiteral("x"));
    EXPECT_NO_THROW(t.query.Post());
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(t.query.State(), dsEdit);
}

TEST(PostErrors, RetryInsertsTheNewRowOnceTheLockIsGone)
{
    SharedCatalog t(3);
    t.OpenOn(QStringLiteral("SELECT * FROM MATR ORDER BY IDENT"));
    t.query.Append();
    t.query.FieldByName(QStringLiteral("NAZEV")).SetAsString(QStringLiteral("Nová"));
    t.Lock();
    t.query.OnPostError = t.Answer(daRetry, t.UnlockAtSecondError());
    t.query.Post();
    EXPECT_EQ(t.errors, (QStringList{kLocked, kLocked}));
    EXPECT_EQ(t.query.State(), dsBrowse);
    EXPECT_EQ(t.query.RecordCount(), 4);
    EXPECT_EQ(t.query.CurrentRowId(), 4);
    EXPECT_EQ(t.Name(4), "Nová");
}

TEST(PostErrors, RetryMayRepairTheValueTheKeyRefused)
{
    LiveQuery t;
    t.db.ExecSQL(QStringLiteral("INSERT INTO DOCS VALUES('a.pdf', 1, 1, NULL)"));
    t.OpenOn(QStringLiteral("SELECT *, _rowid_ FROM DOCS"));
    t.query.Append();
    t.query.FieldByName(QStringLiteral("DOCPATH")).SetAsString(QStringLiteral("a.pdf"));
    QStringList errors;
    t.query.OnPostError = [&](TMeral3Command& ds, const EDatabaseError& e, TDataAction& action) {
        errors << e.Message();
        ds.FieldByName(QStringLiteral("DOCPATH")).SetAsString(QStringLiteral("b.pdf"));
        action = daRetry;
    };
    t.query.Post();
    EXPECT_EQ(errors, QStringList{"db: UNIQUE constraint failed: DOCS.DOCPATH"});
    EXPECT_EQ(t.Column(QStringLiteral("SELECT DOCPATH FROM DOCS ORDER BY 1")), (QStringList{"a.pdf", "b.pdf"}));
}

namespace {

// Item 2 is lent out: the foreign key keeps it from being deleted.
void LendItemTwo(SharedCatalog& t)
{
    t.db.Close();
    t.db.SetOptions({poShortColumnNames, poForeignKeysSupport});
    t.db.ExecSQL(QStringLiteral("CREATE TABLE LEND (IDENT INTEGER REFERENCES MATR(IDENT)); INSERT INTO LEND VALUES(2)"));
    t.OpenOn(QStringLiteral("SELECT * FROM MATR ORDER BY IDENT"));
    t.query.SetRecNo(2);
}

const QString kForeignKey = QStringLiteral("db: FOREIGN KEY constraint failed");

}  // namespace

TEST(DeleteErrors, FailRaisesAndAbortReturnsQuietlyBothKeepingTheRow)
{
    SharedCatalog t(3);
    LendItemTwo(t);
    t.query.OnDeleteError = t.Answer(daFail);
    EXPECT_EQ(ErrorOf([&] { t.query.Delete(); }), kForeignKey);
    t.query.OnDeleteError = t.Answer(daAbort);
    EXPECT_EQ(ErrorOf([&] { t.query.Delete(); }), "<no error>");
    EXPECT_EQ(t.errors, (QStringList{kForeignKey, kForeignKey}));
    EXPECT_EQ(t.query.RecordCount(), 3);
    EXPECT_EQ(t.query.CurrentRowId(), 2);
    EXPECT_EQ(t.Value(QStringLiteral("SELECT count(*) FROM MATR")), "3");
}

TEST(DeleteErrors, RetryDeletesOnceTheCauseIsGone)
{
    SharedCatalog t(3);
    LendItemTwo(t);
    // First the lock of another program, then the loan; the item is returned before the third try.
    t.Lock();
    t.query.OnDeleteError = t.Answer(daRetry, [&] {
        if (t.errors.size() == 1)
            t.Unlock();
        else
            t.db.ExecSQL(QStringLiteral("DELETE FROM LEND"));
    });
    t.query.Delete();
    EXPECT_EQ(t.errors, (QStringList{kLocked, kForeignKey}));
    EXPECT_EQ(t.query.RecordCount(), 2);
    EXPECT_EQ(t.query.CurrentRowId(), 3);
    EXPECT_EQ(t.Column(QStringLiteral("SELECT IDENT FROM MATR ORDER BY 1")), (QStringList{"1", "3"}));
}

TEST(PostErrors, RetryOfAnUpdateWritesTheEditedValues)
{
    SharedCatalog t(3);
    EditItemOneWhileLocked(t);
    t.query.OnPostError = t.Answer(daRetry, [&] { t.Unlock(); });
    t.query.Post();
    EXPECT_EQ(t.errors, QStringList{kLocked});
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("NAZEV")).AsString(), "upraveno");
    EXPECT_EQ(t.Name(1), "upraveno");
}
