#include "reportexpr.h"

#include "sqlite/errors.h"

namespace {

bool isNameChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'.'; }

void skipBlanks(const QString& s, qsizetype& pos)
{
    while (pos < s.size() && s[pos].isSpace())
        ++pos;
}

struct Value {
    bool isNumber = false;
    qint64 number = 0;
    QString text;

    QString ToText() const { return isNumber ? QString::number(number) : text; }
};

Value add(const Value& a, const Value& b)
{
    if (a.isNumber && b.isNumber)
        return {true, a.number + b.number, {}};
    return {false, 0, a.ToText() + b.ToText()};
}

}  // namespace

TReportExpression::TReportExpression(const QString& text) : text_(text) { Parse(); }

void TReportExpression::Fail(const QString& reason) const
{
    throw Exception(QStringLiteral("Report expression \"%1\": %2").arg(text_, reason));
}

void TReportExpression::Parse()
{
    qsizetype pos = 0;
    for (;;) {
        skipBlanks(text_, pos);
        terms_.push_back(ParseTerm(pos));
        skipBlanks(text_, pos);
        if (pos == text_.size())
            return;
        if (text_[pos] != u'+')
            Fail(QStringLiteral("'+' expected at position %1").arg(pos + 1));
        ++pos;
    }
}

TReportExpression::Term TReportExpression::ParseTerm(qsizetype& pos) const
{
    if (pos == text_.size())
        Fail(QStringLiteral("a term expected at the end"));
    const QChar c = text_[pos];
    if (c == u'\'')
        return ParseText(pos);
    if (c.isDigit()) {
        const qsizetype start = pos;
        while (pos < text_.size() && text_[pos].isDigit())
            ++pos;
        bool ok = false;
        const qint64 n = text_.mid(start, pos - start).toLongLong(&ok);
        if (!ok)
            Fail(QStringLiteral("number out of range at position %1").arg(start + 1));
        return {TermKind::Number, {}, {}, n};
    }
    if (isNameChar(c))
        return ParseName(pos);
    Fail(QStringLiteral("unexpected '%1' at position %2").arg(c).arg(pos + 1));
}

TReportExpression::Term TReportExpression::ParseText(qsizetype& pos) const
{
    QString literal;
    for (++pos; pos < text_.size(); ++pos) {
        if (text_[pos] != u'\'') {
            literal += text_[pos];
        } else if (pos + 1 < text_.size() && text_[pos + 1] == u'\'') {
            literal += u'\'';
            ++pos;
        } else {
            ++pos;
            return {TermKind::Text, literal, {}, 0};
        }
    }
    Fail(QStringLiteral("unterminated text"));
}

TReportExpression::Term TReportExpression::ParseName(qsizetype& pos) const
{
    const qsizetype start = pos;
    while (pos < text_.size() && isNameChar(text_[pos]))
        ++pos;
    const QString name = text_.mid(start, pos - start);
    if (name.compare(QLatin1String("COUNT"), Qt::CaseInsensitive) == 0)
        return {TermKind::Count, {}, {}, 0};
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot == 0 || dot == name.size() - 1)
        Fail(QStringLiteral("bad field name \"%1\"").arg(name));
    if (dot < 0)
        return {TermKind::Field, name, {}, 0};
    return {TermKind::Field, name.mid(dot + 1), name.left(dot), 0};
}

QString TReportExpression::Evaluate(qint64 count, const TFieldReader& fields, const QString& sourceName) const
{
    Value result;
    bool first = true;
    for (const Term& term : terms_) {
        Value v;
        switch (term.kind) {
        case TermKind::Count: v = {true, count, {}}; break;
        case TermKind::Number: v = {true, term.number, {}}; break;
        case TermKind::Text: v = {false, 0, term.text}; break;
        case TermKind::Field:
            if (!term.qualifier.isEmpty() && !sourceName.isEmpty()
                && term.qualifier.compare(sourceName, Qt::CaseInsensitive) != 0)
                Fail(QStringLiteral("unknown data set \"%1\"").arg(term.qualifier));
            v = {false, 0, fields(term.text)};
            break;
        }
        result = first ? v : add(result, v);
        first = false;
    }
    return result.ToText();
}

QStringList TReportExpression::FieldNames() const
{
    QStringList names;
    for (const Term& term : terms_)
        if (term.kind == TermKind::Field)
            names << term.text;
    return names;
}
