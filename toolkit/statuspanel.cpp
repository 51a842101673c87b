#include "statuspanel.h"

#include <QPainter>

void StatusPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect().adjusted(2, 0, -2, 0);
    painter.drawText(area, Qt::AlignCenter, fontMetrics().elidedText(text(), Qt::ElideLeft, area.width()));
    setToolTip(fontMetrics().horizontalAdvance(text()) > area.width() ? text() : QString());
}
