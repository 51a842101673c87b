#include "reports/labelcode.h"

#include "keyboardlayout.h"

#include <gtest/gtest.h>

namespace {

// The characters a code may hold: the same key gives the same character on both layouts, or a
// digit, which the reader maps back.
bool LayoutSafe(const QString& code)
{
    for (QChar c : code)
        if (!(c.isDigit() || (c >= u'A' && c <= u'X')))
            return false;
    return true;
}

}  // namespace

TEST(LabelCode, itemCodesReadBackFromEveryTypedForm)
{
    for (qint64 ident : {qint64(0), qint64(1), qint64(7), qint64(1234567), qint64(2147483647), qint64(999999999999)}) {
        const QString code = ItemLabelCode(ident);
        ASSERT_TRUE(LayoutSafe(code)) << code.toStdString();
        EXPECT_LE(code.size(), 20) << "QR version 1 holds 20 characters";
        for (const QString& typed : {code, TypedOnCzechLayout(code), TypedWithCapsLock(code),
                                     TypedWithCapsLock(TypedOnCzechLayout(code)), QStringLiteral("  %1\t").arg(code),
                                     QStringLiteral("kabel ") + TypedOnCzechLayout(code), ItemLabelCode(77) + code}) {
            const auto read = ReadLabelCode(typed);
            ASSERT_TRUE(read) << typed.toStdString();
            EXPECT_EQ(read->kind, TLabelCode::Item);
            EXPECT_EQ(read->item, ident) << typed.toStdString();
        }
    }
}

TEST(LabelCode, mistypedItemCodesAndOrdinaryTextAreNoCodes)
{
    const QString code = ItemLabelCode(4711);  // RGP4711 + check
    QString changed = code;
    changed[4] = u'8';
    QString swapped = code;
    std::swap(swapped[4], swapped[5]);
    for (const QString& text : {changed, swapped, code.chopped(1), code + u'1', QStringLiteral("RGP"),
                                QStringLiteral("RGP0") + code.back(), QStringLiteral("šroub M6"), QString(),
                                QStringLiteral("RGM12345678X"), QStringLiteral("RGP 4711")})
        EXPECT_FALSE(ReadLabelCode(text)) << text.toStdString();
}

TEST(LabelCode, placeCodesAreOnePerPlaceAndFindTheirPlace)
{
    const QStringList places{QStringLiteral("Regál A/3 – police č. 2"), QStringLiteral("Šuplík ½ \"horní\""),
                             QStringLiteral("sklep"), QStringLiteral("Sklep 2"), QStringLiteral("Dílna; skříň ŽLUTÁ")};
    for (const QString& place : places) {
        const QString code = PlaceLabelCode(place);
        ASSERT_TRUE(LayoutSafe(code)) << code.toStdString();
        EXPECT_EQ(code.size(), 11);
        EXPECT_EQ(PlaceLabelCode(QStringLiteral(" %1 ").arg(place.toUpper())), code) << "one place, one code";
        for (const QString& typed : {code, TypedOnCzechLayout(code), TypedWithCapsLock(TypedOnCzechLayout(code))}) {
            const auto read = ReadLabelCode(typed);
            ASSERT_TRUE(read) << typed.toStdString();
            ASSERT_EQ(read->kind, TLabelCode::Place);
            EXPECT_EQ(FindPlaceOfCode(*read, places), place);
        }
    }
    EXPECT_FALSE(FindPlaceOfCode(*ReadLabelCode(PlaceLabelCode(QStringLiteral("Půda"))), places));
}
