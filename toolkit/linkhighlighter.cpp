#include "linkhighlighter.h"

#include "linktoken.h"

#include <QGuiApplication>
#include <QPalette>

TLinkHighlighting::TLinkHighlighting(QObject* parent) : QObject(parent)
{
    // Blue in a light scheme; a program without a GUI application (a benchmark) has no palette.
    const bool gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    linkFormat_.setForeground(gui ? QGuiApplication::palette().color(QPalette::Link) : QColor(Qt::blue));
    linkFormat_.setFontUnderline(true);
}

void TLinkHighlighting::SetLinkFormat(const QTextCharFormat& format)
{
    linkFormat_ = format;
    emit Changed();
}

TLinkHighlighter::TLinkHighlighter(const TLinkHighlighting* rules, QTextDocument* document)
    : QSyntaxHighlighter(document)
{
    SetRules(rules);
}

void TLinkHighlighter::SetRules(const TLinkHighlighting* rules)
{
    if (rules == rules_)
        return;
    disconnect(changed_);
    rules_ = rules;
    if (rules)
        changed_ = connect(rules, &TLinkHighlighting::Changed, this, &QSyntaxHighlighter::rehighlight);
    rehighlight();
}

void TLinkHighlighter::highlightBlock(const QString& text)
{
    if (!rules_)
        return;
    const QTextCharFormat format = rules_->LinkFormat();
    for (const TLinkToken& token : FindLinkTokens(text))
        setFormat(token.start, token.length, format);
}
