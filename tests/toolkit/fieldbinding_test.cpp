#include "tests/sqlite/sql3_catalog.h"
#include "toolkit/fieldbinding.h"

#include "sqlite/sql3_query.h"
#include "sqlite/sql3_table.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Types text as key presses carrying the characters (QTest::keyClicks knows ASCII only).
void Type(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

struct OneItem : CatalogDatabase {
    TMeral3Query query;
    QWidget form;
    QLineEdit* name = new QLineEdit(&form);
    QLabel* group = new QLabel(&form);
    QPlainTextEdit* content = new QPlainTextEdit(&form);

    OneItem() : CatalogDatabase(3)
    {
        query.SetDatabase(&db);
        query.SetRequestLive(true);
        query.SetSQL(QStringLiteral("SELECT IDENT,IDTYP,NAZEV,OBSAH FROM MATR WHERE IDENT=:ident"));
        query.ParamByName(QStringLiteral("ident")).SetAsInteger(2);
        new TFieldBinding(name, query, QStringLiteral("NAZEV"));
        new TFieldBinding(group, query, QStringLiteral("IDTYP"));
        new TFieldBinding(content, query, QStringLiteral("OBSAH"));
    }
};

}  // namespace

TEST(FieldBinding, ShowsTheFieldAndTakesItsSize)
{
    OneItem t;
    EXPECT_TRUE(t.name->text().isEmpty());
    t.query.Open();
    t.query.FieldByName(QStringLiteral("IDTYP")).OnGetText = [](TField& f, QString& text, bool) {
        text = QStringLiteral("Skupina ") + QString::number(f.AsInteger());
    };
    t.query.Refresh();
    EXPECT_EQ(t.name->text(), "Položka 002");
    EXPECT_EQ(t.name->maxLength(), 32);
    EXPECT_TRUE(t.name->isReadOnly());  // browsing
    EXPECT_EQ(t.group->text(), "Skupina 2");
    EXPECT_EQ(t.content->toPlainText(), "Obsah položky 2");
    t.query.Close();
    EXPECT_TRUE(t.name->text().isEmpty());
}

TEST(FieldBinding, TypingInEditModeWritesTheField)
{
    OneItem t;
    t.query.Open();
    t.query.Edit();
    EXPECT_FALSE(t.name->isReadOnly());
    t.name->selectAll();
    Type(t.name, QStringLiteral("Šroub"));
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("NAZEV")).AsString(), "Šroub");
    Type(t.name, QStringLiteral("日"));  // not in the code page: refused at input
    EXPECT_EQ(t.name->text(), "Šroub");
    t.content->setPlainText(QStringLiteral("řádek 1\nřádek 2"));
    t.query.Post();
    EXPECT_EQ(t.Value(QStringLiteral("SELECT NAZEV FROM MATR WHERE IDENT=2")), "Šroub");
    EXPECT_EQ(t.query.FieldByName(QStringLiteral("OBSAH")).AsString(), "řádek 1\nřádek 2");

    t.query.Edit();
    QTest::keyClicks(t.name, QStringLiteral("xx"));
    t.query.Cancel();
    EXPECT_EQ(t.name->text(), "Šroub");
}

TEST(FieldBinding, FollowsTheCurrentRecord)
{
    CatalogDatabase db(5);
    TMeral3Table table;
    table.SetDatabase(&db.db);
    table.SetTableName(QStringLiteral("MATR"));
    table.SetIndexName(QStringLiteral("_primary_key"));
    QLabel label;
    new TFieldBinding(&label, table, QStringLiteral("POPIS"));
    table.Open();
    EXPECT_EQ(label.text(), "Popis 999");
    table.Next();
    EXPECT_EQ(label.text(), "Popis 998");
    table.Last();
    EXPECT_EQ(label.text(), "Popis 995");
}

TEST(FieldBinding, EditableComboWritesItsText)
{
    CatalogDatabase db(2);
    TMeral3Query query;
    query.SetDatabase(&db.db);
    query.SetRequestLive(true);
    query.SetSQL(QStringLiteral("SELECT IDENT,MISTO FROM MATR WHERE IDENT=1"));
    QComboBox place;
    place.setEditable(true);
    place.addItems({QStringLiteral("Sklad Brno"), QStringLiteral("Regál 1")});
    new TFieldBinding(&place, query, QStringLiteral("MISTO"));
    query.Open();
    EXPECT_EQ(place.currentText(), "Regál 1");
    EXPECT_EQ(place.lineEdit()->maxLength(), 32);
    query.Edit();
    place.setCurrentIndex(0);
    query.Post();
    EXPECT_EQ(db.Value(QStringLiteral("SELECT MISTO FROM MATR WHERE IDENT=1")), "Sklad Brno");
}

// The record set keeps 32 characters of a longer stored name; the binding shows the whole value
// it is given, and only for the record it belongs to.
TEST(FieldBinding, AWholeStoredValueShowsInPlaceOfItsCutStartUntilTheRecordChanges)
{
    CatalogDatabase db(3);
    const QString whole = QStringLiteral("Položka se jménem delším než jeho sloupec");
    db.db.ExecSQL(QStringLiteral("UPDATE MATR SET NAZEV='%1' WHERE IDENT=1").arg(whole));
    TMeral3Table table;
    table.SetDatabase(&db.db);
    table.SetTableName(QStringLiteral("MATR"));
    table.SetIndexName(QStringLiteral("_primary_key"));
    QLineEdit name;
    auto* binding = new TFieldBinding(&name, table, QStringLiteral("NAZEV"));
    table.Open();
    EXPECT_EQ(name.text(), whole.left(32));
    binding->ShowWhole(whole);
    EXPECT_EQ(name.text(), whole);
    EXPECT_EQ(name.maxLength(), whole.size());
    table.Edit();  // a change of state keeps it
    EXPECT_EQ(name.text(), whole);
    binding->ShowWhole(QStringLiteral("Jiná položka"));  // not this record's value
    EXPECT_EQ(name.text(), whole.left(32));
    binding->ShowWhole(whole);
    table.Cancel();
    table.Next();
    EXPECT_EQ(name.text(), "Položka 002");
    EXPECT_EQ(name.maxLength(), 32);
}
