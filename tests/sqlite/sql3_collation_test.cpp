// The NATIVE order of Windows-1250 bytes against the collator on the decoded text.

#include "sqlite/sql3_api.h"
#include "sqlite/sql3_utils.h"

#include <QCollator>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

int Native(const QByteArray& a, const QByteArray& b)
{
    return NativeCompareCodePage(const_cast<TCodePageOrder*>(&NativeCodePageOrder()), int(a.size()), a.constData(),
                                 int(b.size()), b.constData());
}

int Collator(const QByteArray& a, const QByteArray& b)
{
    const int c = NativeCollator().compare(FromCodePage(a), FromCodePage(b));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

QString Shown(const QByteArray& bytes)
{
    return FromCodePage(bytes) + QStringLiteral(" (") + QString::fromLatin1(bytes.toHex(' ')) + u')';
}

// Sorts the texts by the byte order and checks every neighbour pair with the collator. Both are
// total orders, so when all neighbours agree in order and equality, every pair of texts does.
void ExpectTheCollatorsOrder(std::vector<QByteArray> texts)
{
    std::sort(texts.begin(), texts.end(), [](const QByteArray& a, const QByteArray& b) { return Native(a, b) < 0; });
    int failures = 0;
    for (size_t i = 1; i < texts.size() && failures < 20; ++i) {
        const QByteArray &a = texts[i - 1], &b = texts[i];
        const int native = Native(a, b), expected = Collator(a, b);
        if (native != expected || Native(b, a) != -expected) {
            ++failures;
            ADD_FAILURE() << qPrintable(Shown(a)) << " against " << qPrintable(Shown(b)) << ": " << native
                          << ", the collator says " << expected;
        }
    }
}

// Every stem of the Czech spelling dictionary: names, words with every diacritic, and each again
// in capitals.
TEST(NativeOrder, SortsRealCzechWordsAsTheCollator)
{
    QFile dictionary(QStringLiteral("/usr/share/hunspell/cs_CZ.dic"));
    ASSERT_TRUE(dictionary.open(QIODevice::ReadOnly)) << "the Czech dictionary (hunspell-cs, scripts/setup) is missing";
    std::vector<QByteArray> words;
    dictionary.readLine();  // the number of entries
    while (!dictionary.atEnd()) {
        const QString word = QString::fromUtf8(dictionary.readLine()).section(u'/', 0, 0).trimmed();
        for (const QString& text : {word, word.toUpper()})
            if (!text.isEmpty() && FitsCodePage(text))
                words.push_back(ToCodePage(text));
    }
    ASSERT_GT(words.size(), 400'000u);
    ExpectTheCollatorsOrder(std::move(words));
}

// All texts of up to two bytes: every letter of the code page in both cases and with every
// diacritic, punctuation, the characters the collator ignores, the pairs it reads as one letter.
TEST(NativeOrder, SortsEveryByteAndBytePairAsTheCollator)
{
    std::vector<QByteArray> texts{QByteArray()};
    for (int a = 0; a < 256; ++a) {
        texts.push_back(QByteArray(1, char(a)));
        for (int b = 0; b < 256; ++b)
            texts.push_back(QByteArray(1, char(a)) + char(b));
    }
    ExpectTheCollatorsOrder(std::move(texts));
}

// Three bytes from those whose weights interact: "ch" and its neighbours, letters with and without
// diacritics whose secondary weights meet, characters that expand to two letters or are ignored.
TEST(NativeOrder, SortsLetterPairsAndTheirNeighboursAsTheCollator)
{
    const QByteArray alphabet = ToCodePage(QStringLiteral("cChHčČiIlL·sšßaáÁ \u00AD-1…™ˇ´\u0001ďtť"));
    std::vector<QByteArray> texts;
    for (char a : alphabet)
        for (char b : alphabet)
            for (char c : alphabet)
                texts.push_back(QByteArray(1, a) + b + c);
    ExpectTheCollatorsOrder(std::move(texts));
}

}  // namespace
