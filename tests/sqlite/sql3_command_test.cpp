#include "sql3_catalog.h"

#include "sqlite/sql3_table.h"

#include <QBuffer>
#include <gtest/gtest.h>

TEST(FieldTypes, DeclaredTypeRulesApplyInOrder)
{
    const std::pair<const char*, TFieldType> cases[] = {
        {"INTEGER", ftLargeint},   {"int64", ftLargeint},      {"WORD", ftWord},
        {"byte", ftWord},          {"SMALLINT", ftSmallint},   {"BIGINT", ftLargeint},
        {"REAL", ftFloat},         {"NUMERIC(10,2)", ftFloat}, {"Money", ftCurrency},
        {"DATETIME", ftDateTime},  {"timestamp", ftDateTime},  {"BOOLEAN", ftBoolean},
        {"bit", ftBoolean},        {"DATE", ftDate},           {"TIME", ftTime},
        {"BLOB", ftBlob},          {"clob", ftBlob},           {"TEXT", ftMemo},
        {"memo", ftMemo},          {"IMAGE", ftGraphic},       {"VARCHAR(32)", ftString},
        {"string", ftString},      {"CHAR", ftString},
    };
    for (const auto& [decl, type] : cases)
        EXPECT_EQ(FieldTypeFromDecl(QString::fromLatin1(decl), false), type) << decl;
    EXPECT_EQ(FieldTypeFromDecl(QStringLiteral("VARCHAR(10)"), true), ftWideString);
    EXPECT_EQ(FieldTypeFromDecl(QStringLiteral("TEXT"), true), ftMemo);
}

TEST(FieldTypes, TextSizeComesFromTheParenthesis)
{
    EXPECT_EQ(TextSizeFromDecl(QStringLiteral("VARCHAR(255)")), 255);
    EXPECT_EQ(TextSizeFromDecl(QStringLiteral(" varchar( 40 ) ")), 40);
    EXPECT_EQ(TextSizeFromDecl(QStringLiteral("CHAR")), 128);
    EXPECT_EQ(TextSizeFromDecl(QStringLiteral("string")), 128);
    EXPECT_EQ(TextSizeFromDecl(QStringLiteral("NUMERIC(10,2)")), 128);
}

TEST(RecordSetFields, ExpressionColumnIsText128AndNullOnEmptyTable)
{
    LiveQuery t;
    t.OpenOn(QStringLiteral("SELECT max(IDENT) NEWID FROM MATR"));
    TField& id = t.query.FieldByName(QStringLiteral("newid"));
    EXPECT_EQ(id.DataType(), ftString);
    EXPECT_EQ(id.Size(), 128);
    EXPECT_TRUE(id.IsNull());
    EXPECT_EQ(id.AsInteger(), 0);
    EXPECT_EQ(ErrorOf([&] { t.query.FieldByName(QStringLiteral("NOPE")); }), "query: Field 'NOPE' not found");
}

TEST(RecordSetFields, DuplicateColumnNameGetsAHiddenDefinition)
{
    LiveQuery t(1);
    t.OpenOn(QStringLiteral("SELECT IDENT, NAZEV, ident FROM MATR"));
    ASSERT_EQ(t.query.FieldDefs().size(), 3u);
    EXPECT_TRUE(t.query.FieldDefs()[2].Hidden);
    EXPECT_TRUE(t.query.FieldDefs()[2].Name.isEmpty());
    EXPECT_EQ(t.query.Fields().Count(), 2);
    EXPECT_EQ(t.query.Fields()[1].FieldName(), "NAZEV");
    EXPECT_EQ(t.query.Fields()[1].Size(), 32);
    EXPECT_EQ(t.query.Fields()[0].DataType(), ftLargeint);
}

TEST(RecordSetFields, CzechTextIsStoredAsCodePageBytesAndReadBack)
{
    LiveQuery t(1);
    t.OpenOn(QStringLiteral("SELECT IDENT, NAZEV, OBSAH FROM MATR"));
    t.query.Edit();
    t.query.FieldByName(QStringLiteral("NAZEV")).SetAsString(QStringLiteral("Žluťoučký kůň"));
    t.query.FieldByName(QStringLiteral("OBSAH")).SetAsString(QStringLiteral("úpěl ďábelské ódy"));
    t.query.Post();
    // Windows-1250: Ž = 8E, l, u, ť = 9D
    EXPECT_TRUE(t.Value(QStringLiteral("SELECT hex(NAZEV) FROM MATR")).startsWith("8E6C759D"));
    t.query.Refresh();
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("NAZEV")).AsString(), "Žluťoučký kůň");
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("OBSAH")).AsString(), "úpěl ďábelské ódy");

    t.query.Edit();
    EXPECT_EQ(ErrorOf([&] { t.query.FieldByName(QStringLiteral("NAZEV")).SetAsString(QStringLiteral("€ ok 日本")); }),
              "Character '日' (U+65e5) cannot be stored in the Windows-1250 code page");
    t.query.Cancel();
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("NAZEV")).AsString(), "Žluťoučký kůň");
}

TEST(RecordSetFields, TypedAccessAndTextConversions)
{
    LiveQuery t;
    t.db.ExecSQL(QStringLiteral("CREATE TABLE T (N INTEGER, F REAL, B BOOLEAN, D DATETIME, S SMALLINT, V VARCHAR(4));"
                                "INSERT INTO T VALUES(9000000000, 2.5, 1, 45000.5, 7, 'abcdef')"));
    t.OpenOn(QStringLiteral("SELECT * FROM T"));
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("N")).AsLargeInt(), 9000000000LL);
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("N")).AsString(), "9000000000");
    EXPECT_DOUBLE_EQ(t.query.FieldByName(QStringLiteral("F")).AsFloat(), 2.5);
    EXPECT_TRUE(t.query.FieldByName(QStringLiteral("B")).AsBoolean());
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("D")).AsDateTime(), QDateTime(QDate(2023, 3, 15), QTime(12, 0)));
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("V")).AsString(), "abcd");  // cut to the declared size

    t.query.Edit();
    TField& s = t.query.FieldByName(QStringLiteral("S"));
    EXPECT_EQ(ErrorOf([&] { s.SetAsString(QStringLiteral("12x")); }), "query: '12x' is not a valid integer value for field 'S'");
    EXPECT_EQ(ErrorOf([&] { s.SetAsInteger(70000); }),
              "query: 70000 is not a valid value for field 'S'. The allowed range is -32768 to 32767");
    s.SetAsString(QString());
    EXPECT_TRUE(s.IsNull());
    EXPECT_EQ(t.query.ChangedFields().back().Placeholder, "NULL");
}

TEST(RecordSetFields, DisplayTextGoesThroughTheHook)
{
    LiveQuery t(3);
    t.OpenOn(QStringLiteral("SELECT IDENT, IDTYP FROM MATR"));
    TField& group = t.query.FieldByName(QStringLiteral("IDTYP"));
    group.OnGetText = [](TField& f, QString& text, bool display) {
        if (display)
            text = QStringLiteral("Skupina ") + QString::number(f.AsInteger());
    };
    EXPECT_EQ(group.DisplayText(), "Skupina 1");
    EXPECT_EQ(group.Text(), "1");
}

TEST(Fetching, RowsArriveInBatchesOfEight)
{
    LiveQuery t(100);
    t.OpenOn(QStringLiteral("SELECT * FROM MATR ORDER BY IDENT"));
    EXPECT_LE(t.query.RecordCount(), 9);
    EXPECT_FALSE(t.query.AllFetched());
    EXPECT_TRUE(t.query.Bof());
    EXPECT_FALSE(t.query.Eof());
    t.query.Next();
    EXPECT_EQ(t.query.RecNo(), 2);
    EXPECT_LE(t.query.RecordCount(), 17);
    t.query.Last();
    EXPECT_EQ(t.query.RecordCount(), 100);
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("IDENT")).AsInteger(), 100);
    EXPECT_TRUE(t.query.Eof());
}

TEST(Fetching, ScanVisitsEveryRowOnceAndPriorWalksBack)
{
    LiveQuery t(20);
    t.OpenOn(QStringLiteral("SELECT IDENT FROM MATR ORDER BY IDENT"));
    QList<int> seen;
    for (t.query.First(); !t.query.Eof(); t.query.Next())
        seen << t.query.FieldByName(QStringLiteral("IDENT")).AsInteger();
    ASSERT_EQ(seen.size(), 20);
    EXPECT_EQ(seen.front(), 1);
    EXPECT_EQ(seen.back(), 20);
    t.query.Prior();
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("IDENT")).AsInteger(), 19);
    t.query.SetRecNo(3);
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("IDENT")).AsInteger(), 3);
    t.query.SetRecNo(500);  // ignored
    EXPECT_EQ(t.query.RecNo(), 3);
    const TBookmark mark = t.query.GetBookmark();
    t.query.First();
    t.query.GotoBookmark(mark);
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("IDENT")).AsInteger(), 3);
    t.query.First();
    t.query.Prior();
    EXPECT_TRUE(t.query.Bof());
    EXPECT_EQ(t.query.RecNo(), 1);
}

TEST(Fetching, EmptyResultIsBofAndEof)
{
    LiveQuery t;
    t.OpenOn(QStringLiteral("SELECT * FROM MATR"));
    EXPECT_TRUE(t.query.IsEmpty());
    EXPECT_TRUE(t.query.Bof() && t.query.Eof());
    EXPECT_EQ(t.query.CurrentRowId(), -1);
    EXPECT_EQ(ErrorOf([&] { t.query.Delete(); }), "query: Cannot perform this operation on an empty dataset");
}

TEST(Editing, CancelRestoresTheOldValues)
{
    LiveQuery t(2);
    t.OpenOn(QStringLiteral("SELECT IDENT, NAZEV, POPIS FROM MATR ORDER BY IDENT"));
    t.query.Edit();
    t.query.FieldByName(QStringLiteral("NAZEV")).SetAsString(QStringLiteral("změna"));
    t.query.FieldByName(QStringLiteral("POPIS")).Clear();
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("NAZEV")).AsString(), "změna");
    t.query.Cancel();
    EXPECT_EQ(t.query.State(), dsBrowse);
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("NAZEV")).AsString(), "Položka 001");
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("POPIS")).AsString(), "Popis 999");
    EXPECT_EQ(t.Value(QStringLiteral("SELECT NAZEV FROM MATR WHERE IDENT=1")), "Položka 001");
}

TEST(Editing, UnchangedValueIsStillSentInTheUpdate)
{
    LiveQuery t(2);
    t.db.ExecSQL(QStringLiteral("CREATE TABLE LOG (WHAT TEXT);"
                                "CREATE TRIGGER LOGUPD AFTER UPDATE ON MATR BEGIN INSERT INTO LOG VALUES(NEW.NAZEV); END"));
    t.OpenOn(QStringLiteral("SELECT * FROM MATR ORDER BY IDENT"));
    t.query.Edit();
    TField& name = t.query.FieldByName(QStringLiteral("NAZEV"));
    name.SetAsString(name.AsString());
    name.SetAsString(name.AsString());
    ASSERT_EQ(t.query.ChangedFields().size(), 1u);
    EXPECT_EQ(t.query.ChangedFields()[0].Column, "NAZEV");
    EXPECT_EQ(t.query.ChangedFields()[0].Placeholder, ":PARA2");
    t.query.Post();
    EXPECT_EQ(t.Column(QStringLiteral("SELECT WHAT FROM LOG")), QStringList{"Položka 001"});
}

TEST(Editing, EditWithoutChangesPostsNothing)
{
    LiveQuery t(1);
    t.OpenOn(QStringLiteral("SELECT * FROM MATR"));
    t.query.Edit();
    EXPECT_NO_THROW(t.query.Post());
    EXPECT_EQ(t.query.State(), dsBrowse);
}

TEST(Editing, ReadOnlyQueryRefusesThePost)
{
    LiveQuery t(1);
    t.query.SetRequestLive(false);
    t.OpenOn(QStringLiteral("SELECT * FROM MATR"));
    t.query.Edit();
    t.query.FieldByName(QStringLiteral("NAZEV")).SetAsString(QStringLiteral("x"));
    EXPECT_EQ(ErrorOf([&] { t.query.Post(); }), "query: Cannot modify a read-only dataset");
    EXPECT_EQ(t.query.State(), dsEdit);
    EXPECT_EQ(t.Value(QStringLiteral("SELECT NAZEV FROM MATR")), "Položka 001");
}

TEST(Editing, WritesNeedEditModeAndAWritableField)
{
    LiveQuery t(1);
    t.OpenOn(QStringLiteral("SELECT * FROM MATR"));
    TField& name = t.query.FieldByName(QStringLiteral("NAZEV"));
    EXPECT_EQ(ErrorOf([&] { name.SetAsString(QStringLiteral("x")); }), "query: Dataset not in edit or insert mode");
    name.SetReadOnly(true);
    t.query.Edit();
    EXPECT_EQ(ErrorOf([&] { name.SetAsString(QStringLiteral("x")); }), "query: Field 'NAZEV' cannot be modified");
}

TEST(Editing, FailedUpdateKeepsTheEditOpenWithTheRowRestored)
{
    LiveQuery t;
    t.db.ExecSQL(QStringLiteral("INSERT INTO DOCS VALUES('a.pdf', 1, 1, NULL); INSERT INTO DOCS VALUES('b.pdf', 2, 2, NULL)"));
    t.OpenOn(QStringLiteral("SELECT *, _rowid_ FROM DOCS ORDER BY DOCPATH"));
    EXPECT_TRUE(t.query.RowIdAlias().isEmpty());
    EXPECT_EQ(t.query.RowIdColumn(), 4);
    t.query.Edit();
    t.query.FieldByName(QStringLiteral("DOCPATH")).SetAsString(QStringLiteral("b.pdf"));
    t.query.FieldByName(QStringLiteral("DOCSIZE")).SetAsInteger(99);
    EXPECT_EQ(ErrorOf([&] { t.query.Post(); }), "db: UNIQUE constraint failed: DOCS.DOCPATH");
    EXPECT_EQ(t.query.State(), dsEdit);
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("DOCPATH")).AsString(), "a.pdf");
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("DOCSIZE")).AsInteger(), 1);
    t.query.FieldByName(QStringLiteral("DOCPATH")).SetAsString(QStringLiteral("c.pdf"));
    t.query.Post();
    EXPECT_EQ(t.Column(QStringLiteral("SELECT DOCPATH FROM DOCS ORDER BY 1")), (QStringList{"b.pdf", "c.pdf"}));
}

TEST(Editing, UpdateOfAVanishedRowReportsNoRowsWritten)
{
    LiveQuery t(1);
    t.OpenOn(QStringLiteral("SELECT * FROM MATR"));
    t.db.ExecSQL(QStringLiteral("DELETE FROM MATR"));
    t.query.Edit();
    t.query.FieldByName(QStringLiteral("NAZEV")).SetAsString(QStringLiteral("x"));
    EXPECT_EQ(ErrorOf([&] { t.query.Post(); }), "query: Data write error, rows affected = 0!");
}

TEST(Editing, AppendInsertsAndTheRowBecomesCurrent)
{
    LiveQuery t(10);
    t.OpenOn(QStringLiteral("SELECT * FROM MATR ORDER BY IDENT"));
    t.query.Append();
    EXPECT_EQ(t.query.RecordCount(), 10);  // everything fetched first
    EXPECT_TRUE(t.query.FieldByName(QStringLiteral("NAZEV")).IsNull());
    t.query.FieldByName(QStringLiteral("NAZEV")).SetAsString(QStringLiteral("Nová"));
    t.query.FieldByName(QStringLiteral("IDTYP")).SetAsInteger(3);
    t.query.Post();
    EXPECT_EQ(t.query.RecordCount(), 11);
    EXPECT_EQ(t.query.RecNo(), 11);
    EXPECT_EQ(t.query.CurrentRowId(), 11);
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("IDENT")).AsInteger(), 11);
    EXPECT_EQ(t.Value(QStringLiteral("SELECT NAZEV || IDTYP FROM MATR WHERE IDENT=11")), "Nová3");

    t.query.Append();
    t.query.Cancel();
    EXPECT_EQ(t.query.RecordCount(), 11);
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("NAZEV")).AsString(), "Nová");
}

TEST(Editing, ChangingTheKeyColumnMovesTheRowId)
{
    LiveQuery t(2);
    t.OpenOn(QStringLiteral("SELECT * FROM MATR ORDER BY IDENT"));
    EXPECT_EQ(t.query.RowIdAlias(), "IDENT");
    t.query.Edit();
    t.query.FieldByName(QStringLiteral("IDENT")).SetAsInteger(50);
    t.query.Post();
    EXPECT_EQ(t.query.CurrentRowId(), 50);
    t.query.Edit();
    t.query.FieldByName(QStringLiteral("NAZEV")).SetAsString(QStringLiteral("po změně klíče"));
    t.query.Post();
    EXPECT_EQ(t.Value(QStringLiteral("SELECT NAZEV FROM MATR WHERE IDENT=50")), "po změně klíče");
}

TEST(Deleting, RemovesTheCachedRowAndTheNextBecomesCurrent)
{
    LiveQuery t(30);
    t.OpenOn(QStringLiteral("SELECT * FROM MATR ORDER BY IDENT"));
    t.query.SetRecNo(3);
    const int before = t.query.RecordCount();
    t.query.Delete();
    EXPECT_EQ(t.query.RecordCount(), before - 1);
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("IDENT")).AsInteger(), 4);
    EXPECT_EQ(t.Value(QStringLiteral("SELECT count(*) FROM MATR WHERE IDENT=3")), "0");
    t.query.Last();
    t.query.Delete();
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("IDENT")).AsInteger(), 29);
}

TEST(Refreshing, KeepsTheRowByRowIdOrGoesToTheFirst)
{
    LiveQuery t(40);
    t.OpenOn(QStringLiteral("SELECT * FROM MATR ORDER BY IDENT"));
    t.query.Locate(QStringLiteral("IDENT"), 25);
    t.db.ExecSQL(QStringLiteral("UPDATE MATR SET NAZEV='jinak' WHERE IDENT=25"));
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("NAZEV")).AsString(), "Položka 025");
    t.query.Refresh();
    EXPECT_EQ(t.query.CurrentRowId(), 25);
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("NAZEV")).AsString(), "jinak");

    t.db.ExecSQL(QStringLiteral("DELETE FROM MATR WHERE IDENT=25"));
    t.query.Refresh();
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("IDENT")).AsInteger(), 1);

    t.query.SetRecNo(5);
    t.query.SetSkipReposition(true);
    t.query.Refresh();
    EXPECT_EQ(t.query.RecNo(), 1);
}

TEST(Refreshing, FailureLeavesTheRecordSetClosed)
{
    LiveQuery t(3);
    t.OpenOn(QStringLiteral("SELECT * FROM MATR"));
    t.db.ExecSQL(QStringLiteral("DROP TABLE MATR"));
    EXPECT_EQ(ErrorOf([&] { t.query.Refresh(); }), "db: no such table: MATR");
    EXPECT_FALSE(t.query.Active());
}

TEST(Filtering, HandlerChoosesRowsAndAThrowingHandlerBecomesFilterException)
{
    LiveQuery t(50);
    t.OpenOn(QStringLiteral("SELECT * FROM MATR ORDER BY IDENT"));
    TMeral3Command* seen = nullptr;
    TDataSetState stateInside = dsInactive;
    t.query.SetOnFilterRecord([&](TMeral3Command& ds, bool& accept) {
        seen = &ds;
        stateInside = ds.State();
        accept = ds.FieldByName(QStringLiteral("IDENT")).AsInteger() % 10 == 0;
    });
    t.query.SetFiltered(true);
    EXPECT_EQ(seen, &t.query);
    EXPECT_EQ(stateInside, dsFilter);
    QList<int> idents;
    for (t.query.First(); !t.query.Eof(); t.query.Next())
        idents << t.query.FieldByName(QStringLiteral("IDENT")).AsInteger();
    EXPECT_EQ(idents, (QList<int>{10, 20, 30, 40, 50}));
    t.query.Prior();
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("IDENT")).AsInteger(), 40);

    EXPECT_EQ(ErrorOf([&] {
        t.query.SetOnFilterRecord([](TMeral3Command&, bool&) { throw std::runtime_error("boom"); });
    }), "query: Filter Exception");
    EXPECT_EQ(ErrorOf([&] { t.query.Next(); }), "query: Filter Exception");
    EXPECT_EQ(t.query.State(), dsBrowse);
    t.query.SetOnFilterRecord(nullptr);
    t.query.First();
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("IDENT")).AsInteger(), 1);
}

TEST(Locating, FindsByValuePartialKeyAndLetterCase)
{
    LiveQuery t(30);
    t.db.ExecSQL(QStringLiteral("UPDATE MATR SET NAZEV='Žlutý kabel' WHERE IDENT=17"));
    t.OpenOn(QStringLiteral("SELECT * FROM MATR ORDER BY IDENT"));
    EXPECT_TRUE(t.query.Locate(QStringLiteral("IDENT"), 22));
    EXPECT_EQ(t.query.RecNo(), 22);
    EXPECT_FALSE(t.query.Locate(QStringLiteral("NAZEV"), QStringLiteral("žlutý")));
    EXPECT_EQ(t.query.RecNo(), 22);  // stays
    EXPECT_FALSE(t.query.Locate(QStringLiteral("NAZEV"), QStringLiteral("ŽLUTÝ KABEL"), loPartialKey));
    EXPECT_TRUE(t.query.Locate(QStringLiteral("NAZEV"), QStringLiteral("žlutý k"), loPartialKey | loCaseInsensitive));
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("IDENT")).AsInteger(), 17);
    EXPECT_TRUE(t.query.Locate(QStringLiteral("IDTYP;NAZEV"), QVariantList{4, QStringLiteral("Položka 014")}));
    EXPECT_EQ(t.query.CurrentRowId(), 14);
    EXPECT_FALSE(t.query.Locate(QStringLiteral("IDENT"), 999));
    EXPECT_TRUE(t.query.AllFetched());

    EXPECT_EQ(t.query.Lookup(QStringLiteral("IDENT"), 5, QStringLiteral("POPIS")).toString(), "Popis 995");
    EXPECT_TRUE(t.query.Lookup(QStringLiteral("IDENT"), 500, QStringLiteral("POPIS")).isNull());
    EXPECT_EQ(t.query.CurrentRowId(), 14);
}

TEST(Blobs, RoundTripThroughStreamsAndBytes)
{
    LiveQuery t;
    t.OpenOn(QStringLiteral("SELECT *, _rowid_ FROM DOCS"));
    QByteArray payload(70000, '\0');
    for (int i = 0; i < payload.size(); ++i)
        payload[i] = char(i * 7);
    t.query.Append();
    t.query.FieldByName(QStringLiteral("DOCPATH")).SetAsString(QStringLiteral("C:\\výkres.pdf"));
    {
        auto stream = t.query.CreateBlobStream(t.query.FieldByName(QStringLiteral("ZIP")), QIODevice::WriteOnly);
        stream->write(payload.left(1000));
        stream->write(payload.mid(1000));
    }
    EXPECT_EQ(t.query.ChangedFields().back().Placeholder, ":BLOB3");
    t.query.Post();
    EXPECT_EQ(t.Value(QStringLiteral("SELECT length(ZIP) FROM DOCS")), "70000");

    t.query.Refresh();
    TField& zip = t.query.FieldByName(QStringLiteral("ZIP"));
    EXPECT_EQ(zip.BlobSize(), 70000);
    auto reader = t.query.CreateBlobStream(zip, QIODevice::ReadOnly);
    EXPECT_EQ(reader->size(), 70000);
    reader->seek(69990);
    EXPECT_EQ(reader->readAll(), payload.right(10));
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    zip.SaveToStream(out);
    EXPECT_EQ(out.data(), payload);

    t.query.Edit();
    QBuffer in;
    in.setData(QByteArray("short"));
    in.open(QIODevice::ReadOnly);
    zip.LoadFromStream(in);
    t.query.Post();
    EXPECT_EQ(t.Value(QStringLiteral("SELECT CAST(ZIP AS TEXT) FROM DOCS")), "short");

    t.query.Close();
    t.query.SetFetchBlobs(false);
    t.query.Open();
    EXPECT_TRUE(t.query.FieldByName(QStringLiteral("ZIP")).IsNull());
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("DOCPATH")).AsString(), "C:\\výkres.pdf");
}

TEST(Blobs, WriteStreamNeedsEditMode)
{
    LiveQuery t;
    t.db.ExecSQL(QStringLiteral("INSERT INTO DOCS VALUES('a', 1, 1, x'00')"));
    t.OpenOn(QStringLiteral("SELECT *, _rowid_ FROM DOCS"));
    EXPECT_EQ(ErrorOf([&] { t.query.CreateBlobStream(t.query.FieldByName(QStringLiteral("ZIP")), QIODevice::WriteOnly); }),
              "query: Dataset not in edit or insert mode");
    EXPECT_EQ(ErrorOf([&] { t.query.CreateBlobStream(t.query.FieldByName(QStringLiteral("DOCPATH")), QIODevice::ReadOnly); }),
              "query: Field 'DOCPATH' is not a blob field");
}

TEST(BoundViews, LinksHearChangesAndDisableControlsHoldsThemBack)
{
    struct Recorder : TDataLink {
        QStringList events;
        void ActiveChanged(bool a) override { events << (a ? "active" : "inactive"); }
        void DataSetChanged() override { events << "changed"; }
        void RecordChanged(TField* f) override { events << "record:" + (f ? f->FieldName() : QString()); }
        void DataSetScrolled() override { events << "scrolled"; }
        void StateChanged(TDataSetState s) override { events << "state:" + QString::number(s); }
    };
    LiveQuery t(5);
    Recorder r;
    r.SetDataSet(&t.query);
    t.OpenOn(QStringLiteral("SELECT * FROM MATR ORDER BY IDENT"));
    t.query.Next();
    t.query.Edit();
    t.query.FieldByName(QStringLiteral("POPIS")).SetAsString(QStringLiteral("x"));
    t.query.Post();
    EXPECT_EQ(r.events, (QStringList{"active", "scrolled", "state:2", "record:POPIS", "state:1", "record:"}));

    r.events.clear();
    t.query.DisableControls();
    t.query.Next();
    t.query.Next();
    EXPECT_TRUE(r.events.isEmpty());
    t.query.EnableControls();
    EXPECT_EQ(r.events, QStringList{"active"});
    {
        auto other = std::make_unique<TMeral3Query>();
        Recorder r2;
        r2.SetDataSet(other.get());
        other.reset();
        EXPECT_EQ(r2.DataSet(), nullptr);
    }
}

TEST(Notifications, FireAroundTheirOperations)
{
    LiveQuery t(3);
    QStringList calls;
    auto log = [&](const char* name) { return [&calls, name](TMeral3Command&) { calls << name; }; };
    t.query.BeforeOpen = log("BeforeOpen");
    t.query.AfterOpen = log("AfterOpen");
    t.query.AfterScroll = log("AfterScroll");
    t.query.BeforeEdit = log("BeforeEdit");
    t.query.BeforePost = log("BeforePost");
    t.query.AfterPost = log("AfterPost");
    t.query.BeforeClose = log("BeforeClose");
    t.query.AfterClose = log("AfterClose");
    t.query.OnNewRecord = [](TMeral3Command& ds) { ds.FieldByName(QStringLiteral("IDTYP")).SetAsInteger(4); };
    t.OpenOn(QStringLiteral("SELECT * FROM MATR"));
    t.query.Edit();
    t.query.FieldByName(QStringLiteral("NAZEV")).SetAsString(QStringLiteral("n"));
    t.query.Post();
    t.query.Append();
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("IDTYP")).AsInteger(), 4);
    t.query.Cancel();
    t.query.Close();
    EXPECT_EQ(calls, (QStringList{"BeforeOpen", "AfterOpen", "AfterScroll", "BeforeEdit", "BeforePost", "AfterPost",
                                  "BeforeClose", "AfterClose"}));
}

TEST(PersistentFields, BindByNameAndSurviveReopening)
{
    LiveQuery t(2);
    TField& path = t.query.CreateField(QStringLiteral("NAZEV"), ftString, 10);
    path.SetDisplayLabel(QStringLiteral("Označení"));
    t.query.CreateField(QStringLiteral("IDENT"), ftLargeint);
    t.OpenOn(QStringLiteral("SELECT * FROM MATR ORDER BY IDENT"));
    EXPECT_EQ(t.query.Fields().Count(), 2);
    EXPECT_EQ(&t.query.FieldByName(QStringLiteral("NAZEV")), &path);
    EXPECT_EQ(path.AsString(), "Položka 00");  // cut to the field's own size
    EXPECT_EQ(path.DisplayLabel(), "Označení");
    t.query.Close();
    EXPECT_EQ(t.query.Fields().Count(), 2);
    t.query.CreateField(QStringLiteral("MISSING"), ftString, 5);
    EXPECT_EQ(ErrorOf([&] { t.query.Open(); }), "query: Field 'MISSING' not found");
    EXPECT_FALSE(t.query.Active());
}

TEST(WideStrings, Utf16DatabaseUsesWideStringFields)
{
    TempDatabase t;
    t.db.ExecSQL(QStringLiteral("PRAGMA encoding='UTF-16le'"));
    t.db.ExecSQL(QStringLiteral("CREATE TABLE W (ID INTEGER PRIMARY KEY, S VARCHAR(5))"));
    t.db.Close();
    t.db.Open();
    ASSERT_TRUE(t.db.Utf16());
    TMeral3Query q;
    q.SetDatabase(&t.db);
    q.SetRequestLive(true);
    q.SetSQL(QStringLiteral("SELECT * FROM W"));
    q.Open();
    TField& s = q.FieldByName(QStringLiteral("S"));
    EXPECT_EQ(s.DataType(), ftWideString);
    EXPECT_NE(dynamic_cast<TWideStringField*>(&s), nullptr);
    q.Append();
    s.SetAsString(QStringLiteral("€日本語テキスト"));
    q.Post();
    q.Refresh();
    EXPECT_EQ(q.FieldByName(QStringLiteral("S")).AsString(), "€日本語テ");
}
