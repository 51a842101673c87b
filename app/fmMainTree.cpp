// The group tree pane: selecting a branch filters the item list; new, edit, delete and move of
// groups. Every stored change reloads the whole tree from the database.

#include "fmMain.h"

#include "application.h"
#include "grouptreeview.h"
#include "helperwidgets.h"

#include "data/grouptree.h"
#include "data/uDM.h"
#include "dialogs/fmTypyEdit.h"
#include "toolkit/messagebox.h"

#include <QLineEdit>
#include <QMenu>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStyleOptionViewItem>
#include <QTableView>

namespace {

const QString kRootBranch = QStringLiteral("Kořenová větev");
constexpr int kMaxBranchGroups = 127;

qint32 IdentOf(QTreeWidgetItem* node)
{
    const TTreeData* data = TreeData(node);
    return data ? data->Ident : AllItemsIdent;
}

bool IsBelow(const QTreeWidgetItem* node, const QTreeWidgetItem* ancestor)
{
    for (const QTreeWidgetItem* p = node ? node->parent() : nullptr; p; p = p->parent())
        if (p == ancestor)
            return true;
    return false;
}

QString Quoted(const QString& name)
{
    return u'"' + name + u'"';
}

// Takes the node with its subtree out of wherever it stands.
QTreeWidgetItem* Detach(QTreeWidgetItem* node)
{
    if (QTreeWidgetItem* parent = node->parent())
        return parent->takeChild(parent->indexOfChild(node));
    QTreeWidget* tree = node->treeWidget();
    return tree->takeTopLevelItem(tree->indexOfTopLevelItem(node));
}

void ExpandSubtree(QTreeWidgetItem* node)
{
    node->setExpanded(true);
    for (int i = 0; i < node->childCount(); ++i)
        ExpandSubtree(node->child(i));
}

}  // namespace

void TfMain::CreateTree()
{
    tree = new TGroupTreeView(splitterV);
    tree->setObjectName(QStringLiteral("tree"));
    tree->setAccessibleName(QStringLiteral("Skupiny"));
    tree->setAccessibleDescription(QStringLiteral("Strom skupin; seznam ukazuje položky vybrané větve"));
    tree->setMinimumWidth(128);
    tree->setFont(ArialFont(9));
}

void TfMain::ConnectTreePane()
{
    connect(tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { Guarded([&] { treeChange(current); }); });
    connect(tree, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem* node) { Guarded([&] { treeCollapsing(node); }); });
    connect(tree, &QTreeWidget::itemDoubleClicked, this, GuardedSlot(this, &TfMain::toolEditGClick));
    tree->OnDragOver = [this](QObject* source, QTreeWidgetItem* target) { return treeDragOver(source, target); };
    tree->OnDragDrop = [this](QObject* source, QTreeWidgetItem* target) { treeDragDrop(source, target); };
    tree->OnEndDrag = [this] { treeEndDrag(); };
    tree->OnCustomDrawItem = [this](const QTreeWidgetItem* node, QStyleOptionViewItem& option) {
        treeCustomDrawItem(node, option);
    };

    popupTree = new QMenu(this);
    popupTree->setObjectName(QStringLiteral("popupTree"));
    menuNewG = AddMenuEntry(popupTree, QStringLiteral("&Nová skupina v této větvi"), -1, &TfMain::toolNewGClick);
    menuEditG = AddMenuEntry(popupTree, QStringLiteral("&Upravit vybranou skupinu"), -1, &TfMain::toolEditGClick);
    popupTree->addSeparator();
    menuToRoot = AddMenuEntry(popupTree, QStringLiteral("&Přesunout do kořenové větve"), -1, &TfMain::menuToRootClick);
    connect(tree, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        Guarded([&] {
            if (QTreeWidgetItem* node = tree->itemAt(pos))
                tree->setCurrentItem(node);
            popupTreePopup();
            popupTree->popup(tree->viewport()->mapToGlobal(pos));
        });
    });
}

bool TfMain::TreeEvent(QObject*, QEvent*)
{
    return false;
}

QTreeWidgetItem* TfMain::SelectedNode() const
{
    return tree->currentItem();
}

// --- Selection and the branch filter -----------------------------------------------------------

void TfMain::treeChange(QTreeWidgetItem* node)
{
    if (!node)
        return;
    const bool wasFiltered = table.Filtered();
    scannedPlace.clear();  // a scanned label's place list ends with any branch or filter chosen
    const TTreeData* data = TreeData(node);
    const QString description = data ? data->Description.trimmed() : QString();
    SetStatusText(0, description.isEmpty() ? node->text(0) : description);

    groupIdCount = 0;
    CollectGroupIds(node);
    const bool branch = groupIdCount > 0 && IdentOf(node) >= 0;
    if (branch) {
        filterText.clear();
        edFilter->clear();
    }
    // Branch and text filters exclude each other; re-read once, whichever applies now.
    const bool filtered = branch || !filterText.isEmpty();
    if (filtered != wasFiltered || !table.Active())
        table.SetFiltered(filtered);
    else if (filtered)
        table.Requery();
}

void TfMain::CollectGroupIds(QTreeWidgetItem* node)
{
    if (groupIdCount >= kMaxBranchGroups)
        return;
    groupIds[size_t(groupIdCount)] = IdentOf(node);
    ++groupIdCount;
    for (int i = 0; i < node->childCount(); ++i)
        CollectGroupIds(node->child(i));
}

void TfMain::ReloadAndSelect(int groupId)
{
    dm->LoadGroupTree(tree);
    if (QTreeWidgetItem* node = Tdm::FindGroupNode(tree, groupId)) {
        tree->setCurrentItem(node);
        tree->scrollToItem(node);
    }
}

// --- Tree behaviour ----------------------------------------------------------------------------

void TfMain::treeDeletion(QTreeWidgetItem*)
{
    // The node owns its payload (TGroupNode), so deleting the node releases it.
}

void TfMain::treeCollapsing(QTreeWidgetItem* node)
{
    node->setExpanded(true);
}

void TfMain::treeCustomDrawItem(const QTreeWidgetItem* node, QStyleOptionViewItem& option) const
{
    // The palette's own colours for its own backgrounds: in a light scheme blue branches, black
    // leaves and white highlighted text, and legible ones in a dark scheme. The highlighted text
    // colour only where the background is highlighted: on a hovered, unhighlighted row it would vanish.
    QPalette::ColorRole role = QPalette::HighlightedText;
    if (!(option.state & QStyle::State_Selected))
        role = node && node->childCount() > 0 ? QPalette::Link : QPalette::Text;
    option.palette.setColor(QPalette::Text, tree->palette().color(role));
}

void TfMain::popupTreePopup()
{
    QTreeWidgetItem* node = SelectedNode();
    menuToRoot->setEnabled(node && node->parent());
}

// --- Commands ----------------------------------------------------------------------------------

void TfMain::toolNewRGClick()
{
    int newIdent = 0;
    if (GroupDialog(0, 0, 0, QStringLiteral("Přidat kořenovou položku"), kRootBranch, newIdent, this) == 1)
        ReloadAndSelect(newIdent);
}

void TfMain::toolNewGClick()
{
    QString branch = kRootBranch;
    int parent = 0;
    int level = 0;
    if (QTreeWidgetItem* node = SelectedNode(); node && IdentOf(node) >= 1) {
        parent = IdentOf(node);
        level = NodeLevel(node) + 1;
        branch = node->text(0);
    }
    int newIdent = 0;
    if (GroupDialog(0, parent, level, QStringLiteral("Přidat položku"), branch, newIdent, this) == 1)
        ReloadAndSelect(newIdent);
}

void TfMain::toolEditGClick()
{
    QTreeWidgetItem* node = SelectedNode();
    if (!node)
        return;
    const QString branch = node->parent() ? node->parent()->text(0) : kRootBranch;
    if (IdentOf(node) <= 0) {
        ShowMessage(this, QStringLiteral("Větev ") + Quoted(node->text(0)) + QStringLiteral(" nelze editovat!"),
                    QStringLiteral("Upravit položku"), QMessageBox::Critical);
        return;
    }
    int ident = 0;
    if (GroupDialog(IdentOf(node), IdentOf(node->parent()), NodeLevel(node), QStringLiteral("Upravit položku"),
                    branch, ident, this)
        == 1)
        ReloadAndSelect(ident);
}

void TfMain::toolDelGClick()
{
    QTreeWidgetItem* node = SelectedNode();
    if (!node)
        return;
    const QString name = Quoted(node->text(0));
    const QString caption = QStringLiteral("Vymazat");
    if (IdentOf(node) < 1) {
        ShowMessage(this, QStringLiteral("Větev ") + name + QStringLiteral(" nelze vymazat!"), caption,
                    QMessageBox::Critical);
        return;
    }
    // The list shows the selected branch, so an empty list means no items in it.
    if (!table.IsEmpty() || node->childCount() > 0) {
        ShowMessage(this, QStringLiteral("Větev ") + name + QStringLiteral(" není prázdná!"), caption,
                    QMessageBox::Critical);
        return;
    }
    if (ShowMessage(this, QStringLiteral("Vymazat větev ") + name + u'?', caption, QMessageBox::Warning,
                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        != QMessageBox::Yes)
        return;
    dm->NewExec(QStringLiteral("DELETE FROM TYPY WHERE IDENT=") + QString::number(IdentOf(node)))->Execute();
    treeDeletion(node);
    delete node;  // the tree selects a neighbour, which runs treeChange
}

void TfMain::menuToRootClick()
{
    QTreeWidgetItem* node = SelectedNode();
    if (!node || !node->parent())
        return;
    if (ShowMessage(this, QStringLiteral("Přesunout ") + node->text(0) + QStringLiteral(" do kořenové větve?"),
                    QStringLiteral("Přesunout"), QMessageBox::Question, QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;
    const int moved = IdentOf(node);
    {
        const QSignalBlocker quiet(tree);
        tree->addTopLevelItem(Detach(node));
        ExpandSubtree(node);
        tree->setCurrentItem(node);
    }
    dm->SaveTreeShape(tree);
    ReloadAndSelect(moved);
}

// --- Drag and drop -----------------------------------------------------------------------------

bool TfMain::treeDragOver(QObject* source, QTreeWidgetItem* target)
{
    draggedGroupId = 0;
    if (!target)
        return false;
    if (source == tree || source == tree->viewport()) {
        QTreeWidgetItem* dragged = SelectedNode();
        if (!dragged || IdentOf(dragged) < 1 || IdentOf(target) < 1 || target == dragged || IsBelow(target, dragged))
            return false;
        draggedGroupId = IdentOf(dragged);
        return true;
    }
    if (source == grid || source == grid->viewport())
        return IdentOf(target) >= 0;
    return false;
}

void TfMain::treeDragDrop(QObject* source, QTreeWidgetItem* target)
{
    if (source != tree && source != tree->viewport())
        return;  // items dropped from the list are stored by the list's end of drag
    QTreeWidgetItem* dragged = SelectedNode();
    // Only where the last move was accepted: never into the dragged branch itself.
    if (!dragged || !target || dragged == target || draggedGroupId != IdentOf(dragged))
        return;
    if (ShowMessage(this, QStringLiteral("Přesunout větev ") + dragged->text(0) + QStringLiteral(" do ")
                              + target->text(0) + u'?',
                    QStringLiteral("Přesunout"), QMessageBox::Question, QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes) {
        draggedGroupId = 0;
        return;
    }
    // The selection stays on the moved node; no re-read of the list in the middle of a drag.
    const QSignalBlocker quiet(tree);
    target->addChild(Detach(dragged));
    ExpandSubtree(target);
    tree->setCurrentItem(dragged);
}

void TfMain::treeEndDrag()
{
    const int moved = draggedGroupId;
    draggedGroupId = 0;
    if (moved <= 0)
        return;
    dm->SaveTreeShape(tree);
    ReloadAndSelect(moved);
}
