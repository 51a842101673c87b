#include "helperwidgets.h"

#include <QPainter>
#include <QTableView>

QFont ArialFont(int pointSize, bool bold)
{
    QFont font(QStringLiteral("Arial"), pointSize);
    font.setBold(bold);
    return font;
}

void StatusPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = contentsRect().adjusted(2, 0, -2, 0);
    painter.drawText(area, Qt::AlignCenter, fontMetrics().elidedText(text(), Qt::ElideLeft, area.width()));
    setToolTip(fontMetrics().horizontalAdvance(text()) > area.width() ? text() : QString());
}

RowIndicator::RowIndicator(QTableView* view) : QHeaderView(Qt::Vertical, view)
{
    setSectionsClickable(false);
    setSectionResizeMode(QHeaderView::Fixed);
}

void RowIndicator::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.rect = rect;
    option.section = logicalIndex;
    style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
    if (!selectionModel() || selectionModel()->currentIndex().row() != logicalIndex)
        return;
    const QPoint centre = rect.center();
    const QPolygon mark({centre + QPoint(-2, -4), centre + QPoint(2, 0), centre + QPoint(-2, 4)});
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setBrush(Qt::black);
    painter->setPen(Qt::NoPen);
    painter->drawPolygon(mark);
    painter->restore();
}

void LeftAligned::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
}
