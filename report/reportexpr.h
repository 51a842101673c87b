#pragma once

// Expressions of report elements and group bands: terms joined by '+'. A term is COUNT (the record
// counter of the band), a whole number, a text in single quotes ('' stands for a quote) or a field
// name, which may be qualified by the data source's name ("queryRepo.MATR_MISTO"). '+' adds two
// numbers and otherwise joins the texts: "COUNT + ' položek'" reads "12 položek".

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// Gives the display text of a field by name.
using TFieldReader = std::function<QString(const QString& field)>;

class TReportExpression {
public:
    TReportExpression() = default;
    // Raises an Exception naming the expression when its text is not an expression.
    explicit TReportExpression(const QString& text);

    const QString& Text() const { return text_; }
    QString Evaluate(qint64 count, const TFieldReader& fields, const QString& sourceName = {}) const;
    QStringList FieldNames() const;

private:
    enum class TermKind { Count, Number, Text, Field };
    struct Term {
        TermKind kind;
        QString text;       // the text literal or the field name
        QString qualifier;  // the data source a field was qualified with
        qint64 number = 0;
    };

    void Parse();
    Term ParseTerm(qsizetype& pos) const;
    Term ParseText(qsizetype& pos) const;
    Term ParseName(qsizetype& pos) const;
    [[noreturn]] void Fail(const QString& reason) const;

    QString text_;
    std::vector<Term> terms_;
};
