#pragma once

// Small widgets of the main window: the item list's row indicator and group column, and keys.

#include "toolkit/statuspanel.h"

#include <QFont>
#include <QHeaderView>
#include <QStyledItemDelegate>

class QTableView;

// The window's font: Arial in the given size.
QFont ArialFont(int pointSize, bool bold = false);

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

class QMenuBar;
class QToolButton;

// Opens the menu bar from the keyboard: F10, or Alt pressed and let go alone. Qt's own styles
// here leave Alt to the window manager, so without this the menus need the mouse.
class MenuBarKeys : public QObject {
public:
    explicit MenuBarKeys(QMenuBar* menuBar);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Open();
    QMenuBar* menuBar_;
    bool altAlone_ = false;
};

// Opens a menu button's menu with Space, Enter or Down, as its arrow does for the mouse.
class MenuButtonKeys : public QObject {
public:
    explicit MenuButtonKeys(QToolButton* button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The status bar's document excerpt ("file: …text [word] text…"). Too long, it keeps the file
// name and the first marked word and gives up the text around them.
class ExcerptPanel : public StatusPanel {
public:
    using StatusPanel::StatusPanel;

protected:
    QString Shortened(const QString& text, int width) const override;
};
