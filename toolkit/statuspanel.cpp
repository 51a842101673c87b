#include "statuspanel.h"

#include <QPainter>

QString StatusPanel::ShownText() const
{
    const int width = TextArea().width();
    return fontMetrics().horizontalAdvance(text()) > width ? Shortened(text(), width) : text();
}

QString StatusPanel::Shortened(const QString& text, int width) const
{
    return fontMetrics().elidedText(text, Qt::ElideLeft, width);
}

void StatusPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawFrame(&painter);
    const QString shown = ShownText();
    painter.drawText(TextArea(), Qt::AlignCenter, shown);
    setToolTip(shown != text() ? text() : QString());
}

QRect StatusPanel::TextArea() const
{
    return contentsRect().adjusted(2, 0, -2, 0);
}
