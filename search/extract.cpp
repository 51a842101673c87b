#include "extract.h"

#include "sqlite/sql3_utils.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QXmlStreamReader>

TDocKind KindOfName(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    static const QHash<QString, TDocKind> kinds = {
        {"txt", TDocKind::Plain},         {"text", TDocKind::Plain},        {"csv", TDocKind::Plain},
        {"log", TDocKind::Plain},         {"md", TDocKind::Plain},          {"ini", TDocKind::Plain},
        {"htm", TDocKind::Markup},        {"html", TDocKind::Markup},       {"xhtml", TDocKind::Markup},
        {"xml", TDocKind::Markup},        {"svg", TDocKind::Markup},        {"rtf", TDocKind::Rtf},
        {"pdf", TDocKind::Pdf},           {"odt", TDocKind::OpenDocument},  {"ods", TDocKind::OpenDocument},
        {"odp", TDocKind::OpenDocument},  {"docx", TDocKind::OfficeXml},    {"xlsx", TDocKind::OfficeXml},
        {"pptx", TDocKind::OfficeXml},
    };
    return kinds.value(suffix, TDocKind::NameOnly);
}

bool AppendCapped(QString& text, QStringView more)
{
    const qsizetype room = MaxTextChars - text.size();
    if (room <= 0)
        return false;
    text.append(more.left(room));
    return more.size() < room;
}

QString PlainText(const QByteArray& bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(view);
    if (utf8.hasError())
        text = FromCodePage(view);  // not UTF-8: the catalogue's own code page
    text.truncate(MaxTextChars);
    return text;
}

namespace {

// "&aacute;", "&Scaron;" and their kin: a letter with a mark, composed.
QString ResolveLetterEntities(const QString& text)
{
    static const QRegularExpression entity(QStringLiteral("&([A-Za-z])(acute|caron|ring|uml|circ|grave|cedil|tilde);"));
    static const QHash<QString, char16_t> marks = {{"acute", u'\u0301'}, {"caron", u'\u030C'}, {"ring", u'\u030A'},
                                                   {"uml", u'\u0308'},   {"circ", u'\u0302'},  {"grave", u'\u0300'},
                                                   {"cedil", u'\u0327'}, {"tilde", u'\u0303'}};
    QString out;
    qsizetype from = 0;
    for (auto it = entity.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out.append(QStringView(text).sliced(from, m.capturedStart() - from));
        out.append((m.captured(1) + QChar(marks.value(m.captured(2)))).normalized(QString::NormalizationForm_C));
        from = m.capturedEnd();
    }
    out.append(QStringView(text).sliced(from));
    return out;
}

// "&#233;" and "&#xE9;" as their characters; anything else stays as written.
QString ResolveNumericEntities(const QString& text)
{
    static const QRegularExpression entity(QStringLiteral("&#([xX][0-9A-Fa-f]{1,6}|[0-9]{1,7});"));
    QString out;
    qsizetype from = 0;
    for (auto it = entity.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString digits = m.captured(1);
        bool ok = false;
        const uint code = digits.startsWith(u'x', Qt::CaseInsensitive) ? digits.mid(1).toUInt(&ok, 16) : digits.toUInt(&ok);
        out.append(QStringView(text).sliced(from, m.capturedStart() - from));
        if (ok && QChar::isPrint(char32_t(code)))
            out.append(QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1));
        else
            out.append(m.captured());
        from = m.capturedEnd();
    }
    out.append(QStringView(text).sliced(from));
    return out;
}

}  // namespace

QString MarkupText(const QByteArray& bytes)
{
    // Tolerant on purpose: HTML is seldom well-formed XML, so text between tags is taken by a
    // small scanner; entities of the usual kinds are resolved.
    const QString source = PlainText(bytes);
    QString text;
    bool inTag = false;
    qsizetype from = 0;
    for (qsizetype i = 0; i < source.size(); ++i) {
        const QChar c = source[i];
        if (!inTag && c == u'<') {
            if (!AppendCapped(text, QStringView(source).sliced(from, i - from)))
                break;
            text.append(u' ');
            inTag = true;
        } else if (inTag && c == u'>') {
            inTag = false;
            from = i + 1;
        }
    }
    if (!inTag && from < source.size())
        AppendCapped(text, QStringView(source).sliced(from));
    static const std::pair<const char16_t*, const char16_t*> entities[] = {
        {u"&nbsp;", u" "}, {u"&lt;", u"<"}, {u"&gt;", u">"}, {u"&quot;", u"\""}, {u"&apos;", u"'"}, {u"&amp;", u"&"}};
    for (const auto& [entity, character] : entities)
        text.replace(QString::fromUtf16(entity), QString::fromUtf16(character));
    return ResolveNumericEntities(ResolveLetterEntities(text));
}

TExtracted ExtractText(TDocKind kind, const QByteArray& bytes)
{
    switch (kind) {
    case TDocKind::Plain: return {PlainText(bytes), {}};
    case TDocKind::Markup: return {MarkupText(bytes), {}};
    case TDocKind::Rtf: return {RtfText(bytes), {}};
    case TDocKind::Pdf: return PdfText(bytes);
    case TDocKind::OpenDocument:
    case TDocKind::OfficeXml: return ZipText(bytes, kind);
    case TDocKind::NameOnly: break;
    }
    return {};
}
