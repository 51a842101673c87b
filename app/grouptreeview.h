#pragma once

// The tree control of the group pane: nodes always expanded, no expand buttons, colours chosen by
// the owner while a node is drawn, and drag and drop reported to the owner instead of Qt's own
// item moves, so that only a confirmed move changes the tree.

#include <QTreeWidget>

#include <functional>

class QStyleOptionViewItem;

class TGroupTreeView : public QTreeWidget {
    Q_OBJECT

public:
    explicit TGroupTreeView(QWidget* parent = nullptr);

    // Whether a drag from `source` may drop on `target` (the node under the mouse, or none).
    std::function<bool(QObject* source, QTreeWidgetItem* target)> OnDragOver;
    std::function<void(QObject* source, QTreeWidgetItem* target)> OnDragDrop;
    // A drag that started here has ended, dropped or not.
    std::function<void()> OnEndDrag;
    std::function<void(const QTreeWidgetItem* node, QStyleOptionViewItem& option)> OnCustomDrawItem;

protected:
    void focusInEvent(QFocusEvent* event) override;
    // Every node is always expanded: no expand or collapse buttons at any level.
    void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
};
