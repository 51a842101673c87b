// The quoted-printable coder and the file links built on it, over arbitrary bytes.

#include "check.h"

#include "data/docstore.h"
#include "sqlite/sql3_utils.h"
#include "toolkit/linktoken.h"
#include "toolkit/quotedprintable.h"

#include <QStringList>

namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// A blank before a line end comes back followed by CR LF, whatever line end it had.
bool HasBlankBeforeLineEnd(QByteArrayView bytes)
{
    for (qsizetype i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == ' ' && IsLineEnd(bytes[i + 1]))
            return true;
    return false;
}

// Printable ASCII, blanks, tabs and line ends only, in lines of at most 74 characters and a soft "=".
void CheckEncodedForm(QByteArrayView encoded)
{
    qsizetype lineLength = 0;
    for (char c : encoded) {
        const auto u = static_cast<unsigned char>(c);
        FUZZ_CHECK((u >= 0x20 && u <= 0x7E) || u == '\t' || IsLineEnd(c));
        lineLength = IsLineEnd(c) ? 0 : lineLength + 1;
        FUZZ_CHECK(lineLength <= 75);
    }
}

void CheckCoder(QByteArrayView bytes)
{
    // "=XX" gives one byte and a soft break none, so decoding never grows the text.
    FUZZ_CHECK(DecodeQuotedPrintable(bytes).size() <= bytes.size());
    const QByteArray encoded = EncodeQuotedPrintable(bytes);
    CheckEncodedForm(encoded);
    if (!HasBlankBeforeLineEnd(bytes))
        FUZZ_CHECK(DecodeQuotedPrintable(encoded) == bytes);
}

bool HasControl(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() < 0x20)
            return true;
    return false;
}

// The link's characters that the highlighter's token ends at or drops from its end (a path with
// "[" or ending in "." is cut there: the token rule wants it so).
bool LinkFitsOneToken(const QString& link)
{
    static const QString runChars = QStringLiteral("!#$%&'()*+,-./:;=?_~@");
    for (QChar c : link)
        if (c.unicode() > 0x7F || !(c.isLetterOrNumber() || runChars.contains(c)))
            return false;
    return !link.contains(QStringLiteral("..")) && !QStringLiteral("!#%&()*+,-.:;=?_~@").contains(link.back());
}

// A path read as Windows-1250 text: its link decodes back to it and reads as one word.
void CheckFileLink(QByteArrayView bytes)
{
    const QString path = FromCodePage(bytes);
    if (!FitsCodePage(path))
        return;  // a byte the code page leaves undefined
    const QString link = EncodeFileLink(path);
    FUZZ_CHECK(link.startsWith(QLatin1String(FileLinkPrefix)));
    FUZZ_CHECK(!link.contains(QLatin1Char(' ')));
    const bool plain = !path.contains(QStringLiteral("%32")) && !path.contains(QStringLiteral("%13"))
                       && !HasBlankBeforeLineEnd(bytes);
    if (plain)
        FUZZ_CHECK(DecodeFileLink(link) == path);
    if (!plain || HasControl(path))
        return;
    QStringList listed;
    AppendContentLinks(QStringLiteral("viz ") + link + QStringLiteral(" a dál\r\n"), listed);
    FUZZ_CHECK(listed == QStringList{path});
    if (LinkFitsOneToken(link)) {
        const QList<TLinkToken> tokens = FindLinkTokens(QStringLiteral("viz ") + link);
        FUZZ_CHECK(tokens.size() == 1 && tokens[0].text == link);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    const QByteArrayView bytes = FuzzBytes(data, size);
    CheckCoder(bytes);
    CheckFileLink(bytes);
    return 0;
}
