#pragma once

// Link highlighting shared by several editors. A QSyntaxHighlighter serves one document only, so the
// shared part is TLinkHighlighting (the look of a link); each editor makes its own TLinkHighlighter
// over its document from it. Changing the shared look re-highlights every document that uses it.

#include <QObject>
#include <QPointer>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

class TLinkHighlighting : public QObject {
    Q_OBJECT
public:
    explicit TLinkHighlighting(QObject* parent = nullptr);

    QTextCharFormat LinkFormat() const { return linkFormat_; }  // blue and underlined at first
    void SetLinkFormat(const QTextCharFormat& format);

signals:
    void Changed();

private:
    QTextCharFormat linkFormat_;
};

// Marks the link tokens of every line of one document. Owned by the document (its parent); it
// holds the shared rules weakly and highlights nothing once they are gone.
class TLinkHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    TLinkHighlighter(const TLinkHighlighting* rules, QTextDocument* document);

    const TLinkHighlighting* Rules() const { return rules_; }
    void SetRules(const TLinkHighlighting* rules);  // none: nothing is marked

protected:
    void highlightBlock(const QString& text) override;

private:
    QPointer<const TLinkHighlighting> rules_;
    QMetaObject::Connection changed_;
};
