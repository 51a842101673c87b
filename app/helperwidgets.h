#pragma once

// Small widgets of the main window: the status bar's panels and the item list's row indicator
// and group column.

#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QStyledItemDelegate>

class QTableView;

// The window's font: Arial in the given size.
QFont ArialFont(int pointSize, bool bold = false);

// A status bar panel: centred text; a text too long for the panel loses its start (a path keeps
// its file name) and shows whole in the tooltip.
class StatusPanel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The list's row indicator column: a mark at the current row, no row numbers.
class RowIndicator : public QHeaderView {
public:
    explicit RowIndicator(QTableView* view);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

// The group column holds the group's name, although its field is a number.
class LeftAligned : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
