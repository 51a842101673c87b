#include "grouptreeview.h"

#include "toolkit/guard.h"

#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QStyledItemDelegate>

namespace {

class NodeDelegate : public QStyledItemDelegate {
public:
    explicit NodeDelegate(TGroupTreeView* view) : QStyledItemDelegate(view), view_(view) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (view_->OnCustomDrawItem)
            view_->OnCustomDrawItem(view_->itemFromIndex(index), *option);
    }

private:
    TGroupTreeView* view_;
};

}  // namespace

TGroupTreeView::TGroupTreeView(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setIndentation(19);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(DragDrop);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setItemDelegate(new NodeDelegate(this));
    // The selected node stays highlighted when the tree loses the focus.
    QPalette colours = palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
    setPalette(colours);
}

void TGroupTreeView::focusInEvent(QFocusEvent* event)
{
    // Qt's views make the first node current when they get the focus without one; a selection is
    // the user's to make, so only the focus frame follows.
    if (currentItem()) {
        QTreeWidget::focusInEvent(event);
        return;
    }
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void TGroupTreeView::dragEnterEvent(QDragEnterEvent* event)
{
    // Only drags of this program (nodes, list rows) are of interest; where they may drop is
    // decided at every move.
    if (event->source())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TGroupTreeView::dragMoveEvent(QDragMoveEvent* event)
{
    QTreeWidget::dragMoveEvent(event);  // scrolls at the edges; the verdict below is ours
    bool accept = false;
    Guarded([&] { accept = OnDragOver && OnDragOver(event->source(), itemAt(event->position().toPoint())); });
    if (accept)
        event->acceptProposedAction();
    else
        event->ignore();
}

void TGroupTreeView::dropEvent(QDropEvent* event)
{
    QTreeWidgetItem* target = itemAt(event->position().toPoint());
    QObject* source = event->source();
    // Copy, so that the drag's source never removes anything by itself.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    Guarded([&] {
        if (OnDragDrop)
            OnDragDrop(source, target);
    });
}

void TGroupTreeView::startDrag(Qt::DropActions supportedActions)
{
    const QList<QTreeWidgetItem*> nodes = selectedItems();
    if (nodes.isEmpty())
        return;
    auto* drag = new QDrag(this);
    QMimeData* data = model()->mimeData(selectedIndexes());
    drag->setMimeData(data ? data : new QMimeData);
    drag->exec(supportedActions | Qt::CopyAction, Qt::CopyAction);
    Guarded([&] {
        if (OnEndDrag)
            OnEndDrag();
    });
}
