// The item list and its filter: the banded grid over `table`, sorting by a title click, the
// branch and text filters, the item commands, the pop-up menu and dragging items onto the tree.

#include "fmMain.h"

#include "application.h"
#include "grouptreeview.h"
#include "helperwidgets.h"

#include "data/grouptree.h"
#include "data/uDM.h"
#include "dialogs/fmMatrEdit.h"
#include "sqlite/sql3_utils.h"
#include "toolkit/datasetmodel.h"
#include "toolkit/icons.h"
#include "toolkit/messagebox.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTableView>

#include <array>
#include <functional>

namespace {

// The list's columns: field, designed width (0: from the field's display width) and font.
struct ColumnDesign {
    const char* field;
    int width;
    int pointSize;
    bool bold;
};
constexpr std::array<ColumnDesign, 5> kColumns{{
    {"IDENT", 0, 9, false},
    {"IDTYP", 128, 9, false},
    {"NAZEV", 128, 8, true},
    {"POPIS", 256, 9, false},
    {"MISTO", 80, 9, false},
}};

// The order behind each column title, by position; the group column sorts by the number.
constexpr std::array<const char*, 5> kTitleIndexes{"_primary_key", "IXTYP", "IXMATR", "IXPOPIS", "IXMISTO"};

// Below this many pixels from the grid's top edge the mouse is on the title row, not on an item.
constexpr int kDragTop = 20;

QFont CellFont(const TField* field)
{
    const bool designation = field && field->FieldName() == QLatin1String("NAZEV");
    return ArialFont(designation ? 8 : 9, designation);
}

// The grid paints every cell itself (bands, fonts); Qt's own look would not show them.
class CellPainter : public QStyledItemDelegate {
public:
    using Paint = std::function<void(QPainter&, const QStyleOptionViewItem&, const QModelIndex&)>;
    CellPainter(QObject* parent, Paint paint) : QStyledItemDelegate(parent), paint_(std::move(paint)) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        painter->save();
        paint_(*painter, option, index);
        painter->restore();
    }

private:
    Paint paint_;
};

// The group a new item gets: the selected node's (-1 for all items, which the dialog makes 0).
int SelectedGroup(QTreeWidgetItem* node)
{
    const TTreeData* data = TreeData(node);
    return data ? data->Ident : NoGroupIdent;
}

template <typename Event>
QPoint InGrid(QTableView* grid, const Event* event)
{
    return grid->viewport()->mapTo(grid, event->position().toPoint());
}

}  // namespace

void TfMain::CreateTable()
{
    table.SetName(QStringLiteral("table"));
    table.SetDatabase(&dm->db);
    table.SetTableName(QStringLiteral("MATR"));
    table.SetIndexName(QStringLiteral("IXMATR"));
    auto field = [this](const char* name, TFieldType type, int size, const char* label, int displayWidth) {
        TField& f = table.CreateField(QString::fromLatin1(name), type, size);
        f.SetDisplayLabel(QString::fromUtf8(label));
        if (displayWidth > 0)
            f.SetDisplayWidth(displayWidth);
        return &f;
    };
    tableIDENT = field("IDENT", ftLargeint, 0, "ID", 8);
    tableIDENT->SetRequired(true);
    tableIDTYP = field("IDTYP", ftLargeint, 0, "Skupina", 16);
    tableNAZEV = field("NAZEV", ftString, 32, "Označení", 0);
    tablePOPIS = field("POPIS", ftString, 64, "Popis", 0);
    tableMISTO = field("MISTO", ftString, 32, "Umístění", 0);
    tablePATH_DOK = field("PATH_DOK", ftString, 255, "Dokument", 0);
    tableOBSAH = field("OBSAH", ftMemo, 0, "Obsah", 0);
    table.AfterScroll = [this](TMeral3Command& ds) { Guarded([&] { tableAfterScroll(ds); }); };
    table.SetOnFilterRecord([this](TMeral3Command& ds, bool& accept) { tableFilterRecord(ds, accept); });
    tableIDTYP->OnGetText = [this](TField& f, QString& text, bool display) { tableIDTYPGetText(f, text, display); };
}

void TfMain::CreateGrid()
{
    grid = new QTableView(splitterH);
    grid->setObjectName(QStringLiteral("grid"));
    grid->setAccessibleName(QStringLiteral("Položky"));
    grid->setAccessibleDescription(
        QStringLiteral("Seznam položek; Enter upraví položku, Insert přidá novou, Del ji smaže"));
    grid->setTabKeyNavigation(false);  // Tab moves on to the next pane
    gridModel = new TDataSetModel(grid);
    gridModel->SetColumns(GridColumns());
    gridModel->OnError = [](const Exception& e) { HandleError(e); };
    gridModel->SetDataSet(&table);
    grid->setVerticalHeader(new RowIndicator(grid));
    grid->setModel(gridModel);
    gridModel->BindSelection(grid->selectionModel());
    connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, grid->verticalHeader()->viewport(),
            qOverload<>(&QWidget::update));
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setFont(ArialFont(9));
    grid->setItemDelegateForColumn(1, new LeftAligned(grid));
    grid->verticalHeader()->setDefaultSectionSize(QFontMetrics(ArialFont(9)).height() + 4);
    grid->verticalHeader()->setFixedWidth(12);  // the row indicator column
    grid->horizontalHeader()->setHighlightSections(false);
    for (int i = 0; i < int(kColumns.size()); ++i) {
        const ColumnDesign& c = kColumns[size_t(i)];
        const int width = c.width > 0
            ? c.width
            : QFontMetrics(ArialFont(c.pointSize)).horizontalAdvance(u'0') * tableIDENT->DisplayWidth() + 4;
        grid->setColumnWidth(i, width);
    }
}

QStringList TfMain::GridColumns() const
{
    QStringList columns;
    for (const ColumnDesign& c : kColumns)
        columns << QString::fromLatin1(c.field);
    return columns;
}

void TfMain::ConnectListPane()
{
    auto* cells = new CellPainter(grid, [this](QPainter& painter, const QStyleOptionViewItem& option,
                                               const QModelIndex& index) {
        gridDrawColumnCell(painter, option, index);
    });
    for (int column = 0; column < gridModel->columnCount(); ++column)
        grid->setItemDelegateForColumn(column, cells);

    QHeaderView* titles = grid->horizontalHeader();
    QFont titleFont(QStringLiteral("MS Sans Serif"), 8);
    titleFont.setUnderline(true);
    titles->setFont(titleFont);
    titles->setSectionsClickable(true);
    titles->setSectionResizeMode(QHeaderView::Interactive);
    titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(titles, &QHeaderView::sectionClicked, this,
            [this](int logical) { Guarded([&] { gridTitleBtnClick(grid->horizontalHeader()->visualIndex(logical)); }); });
    // Fixed cells (titles, row marks) in the 3-D light colour where the scheme's text is dark;
    // a dark scheme's light text on its light colour would be hard to read.
    for (QHeaderView* fixed : {titles, grid->verticalHeader()}) {
        QPalette colours = fixed->palette();
        if (colours.color(QPalette::ButtonText).lightness() < colours.color(QPalette::Light).lightness())
            colours.setColor(QPalette::Button, colours.color(QPalette::Light));
        fixed->setPalette(colours);
    }

    gridPopup = new QMenu(this);
    gridPopup->setObjectName(QStringLiteral("gridPopup"));
    menuMatrEdit = AddMenuEntry(gridPopup, QStringLiteral("Ú&prava položky"), 5, &TfMain::toolMatrEditClick);
    gridPopup->addSeparator();
    menuDoc = AddMenuEntry(gridPopup, QStringLiteral("&Otevři dokument"), 2, &TfMain::toolDocClick);
    menuDocFolder = AddMenuEntry(gridPopup, QStringLiteral("&Ukaž ve složce"), -1, &TfMain::docFolderClick);
    gridPopup->addSeparator();
    menuMatrDel = AddMenuEntry(gridPopup, QStringLiteral("&Smazat položku"), 4, &TfMain::toolMatrDelClick);
    menuMatrEdit->setObjectName(QStringLiteral("menuMatrEdit"));
    menuDoc->setObjectName(QStringLiteral("menuDoc"));
    menuDocFolder->setObjectName(QStringLiteral("menuDocFolder"));
    menuMatrDel->setObjectName(QStringLiteral("menuMatrDel"));
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        Guarded([&] {
            gridPopupPopup();
            gridPopup->popup(grid->viewport()->mapToGlobal(pos));
        });
    });
    connect(grid, &QAbstractItemView::doubleClicked, this, GuardedSlot(this, &TfMain::toolDocClick));
    // A re-read resets the model and then makes the current item current again, which scrolls
    // to it; the view's row layout must be up to date by then, not laid out later.
    connect(gridModel, &QAbstractItemModel::modelReset, grid, &QTableView::doItemsLayout);

    grid->viewport()->setAcceptDrops(true);
    grid->viewport()->installEventFilter(this);
    grid->installEventFilter(this);
    tree->viewport()->installEventFilter(this);
    edFilter->installEventFilter(this);
}

bool TfMain::ListEvent(QObject* watched, QEvent* event)
{
    if (!grid || !tree)
        return false;  // the window is still being built
    if (watched == edFilter && event->type() == QEvent::KeyPress)
        return edFilterKeyPress(static_cast<QKeyEvent*>(event)->key());
    if (watched == grid && event->type() == QEvent::KeyPress)
        return gridKeyPress(*static_cast<QKeyEvent*>(event));
    if (watched == tree->viewport() && event->type() == QEvent::Drop) {
        // Items are stored where they were dropped once the drag has ended (gridEndDrag).
        auto* drop = static_cast<QDropEvent*>(event);
        if (drop->source() == grid) {
            gridDroppedOnTree = true;
            gridDropNode = tree->itemAt(drop->position().toPoint());
        }
        return false;
    }
    if (watched != grid->viewport())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* press = static_cast<QMouseEvent*>(event);
        gridPressPos = press->button() == Qt::LeftButton ? InGrid(grid, press) : QPoint(-1, -1);
        return false;
    }
    case QEvent::MouseButtonRelease: gridPressPos = QPoint(-1, -1); return false;
    case QEvent::MouseMove: {
        auto* move = static_cast<QMouseEvent*>(event);
        return gridMouseMove(move->buttons(), move->modifiers(), InGrid(grid, move));
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (gridDragOver(drag->source()))
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: static_cast<QDropEvent*>(event)->accept(); return true;  // a drop on the list does nothing
    default: return false;
    }
}

// --- The record set ------------------------------------------------------------------------------

void TfMain::tableAfterScroll(TMeral3Command& dataSet)
{
    ShowDocumentMatch();
    if (dataSet.IsEmpty())
        return;
    SetStatusText(1, tableMISTO->AsString());
    SetStatusText(2, tablePOPIS->AsString());
}

void TfMain::tableFilterRecord(TMeral3Command&, bool& accept)
{
    if (!filterText.isEmpty()) {
        accept = MatchesFilterText() || MatchesDocuments();
        return;
    }
    if (!tree->currentItem()) {
        accept = false;
        return;
    }
    const int group = tableIDTYP->IsNull() ? 0 : tableIDTYP->AsInteger();
    accept = std::find(groupIds.begin(), groupIds.begin() + groupIdCount, group) != groupIds.begin() + groupIdCount;
}

bool TfMain::MatchesFilterText()
{
    if (filterWords.Source() != filterText)
        filterWords = TTextMatcher(filterText);
    filterWords.Start();
    for (TField* field : {tableNAZEV, tablePOPIS, tableOBSAH}) {
        if (field->DataType() == ftWideString)
            filterWords.FeedText(field->AsString());
        else
            filterWords.FeedCodePage(field->AsBytes());
        if (filterWords.AllFound())
            return true;
    }
    return false;
}

void TfMain::tableIDTYPGetText(TField& sender, QString& text, bool)
{
    text.clear();
    if (sender.IsNull())
        return;
    if (QTreeWidgetItem* node = Tdm::FindGroupNode(tree, sender.AsInteger()))
        text = node->text(0);
}

// --- The grid ------------------------------------------------------------------------------------

void TfMain::gridDrawColumnCell(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const QRect cell = option.rect;
    // Background and text from one pair of palette roles, so every band is legible in a dark
    // scheme too: in a light one white and button-face bands and the tooltip colour for the
    // current row, all with black text.
    QPalette::ColorRole background = QPalette::ToolTipBase;
    QPalette::ColorRole text = QPalette::ToolTipText;
    if (!(option.state & QStyle::State_Selected)) {
        // Rows counted on the screen, the title row being row 0: the bands stay where they are
        // while the list scrolls. The cell leaves out the grid line under it.
        const bool odd = (cell.top() / (cell.height() + 1) + 1) % 2 == 1;
        background = odd ? QPalette::Base : QPalette::Button;
        text = odd ? QPalette::Text : QPalette::ButtonText;
    }
    painter.fillRect(cell, palette().color(background));
    painter.setPen(palette().color(text));
    painter.setFont(CellFont(gridModel->FieldOfColumn(index.column())));
    painter.setClipRect(cell);
    painter.drawText(cell.adjusted(1, 1, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     index.data().toString());
}

void TfMain::gridTitleBtnClick(int column)
{
    if (column < 0 || column >= int(kTitleIndexes.size()))
        return;
    const QString index = QString::fromLatin1(kTitleIndexes[size_t(column)]);
    if (table.IndexName().compare(index, Qt::CaseInsensitive) != 0)
        table.SetIndexName(index);
}

void TfMain::gridPopupPopup()
{
    const bool document = !table.IsEmpty() && !TrimControls(tablePATH_DOK->AsString()).isEmpty();
    menuDoc->setEnabled(document);
    menuDocFolder->setEnabled(document);
}

// --- Dragging items onto the tree ----------------------------------------------------------------

bool TfMain::gridMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, const QPoint& pos)
{
    if (buttons != Qt::LeftButton || modifiers != Qt::NoModifier || pos.y() <= kDragTop || table.IsEmpty())
        return false;
    // Held moves drag the item; they never sweep the selection over other rows.
    if (gridPressPos.x() < 0)
        gridPressPos = pos;
    if ((pos - gridPressPos).manhattanLength() < QApplication::startDragDistance())
        return true;
    gridPressPos = QPoint(-1, -1);
    gridDroppedOnTree = false;
    gridDropNode = nullptr;
    auto* drag = new QDrag(grid);  // Qt deletes it when the drag is over
    auto* data = new QMimeData;
    data->setText(tableIDENT->AsString());
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    gridEndDrag(gridDroppedOnTree ? tree : nullptr, gridDropNode);
    return true;
}

bool TfMain::gridDragOver(QObject* source)
{
    return (source == grid || source == grid->viewport()) && !table.IsEmpty();
}

void TfMain::gridEndDrag(QObject* target, QTreeWidgetItem* node)
{
    gridDroppedOnTree = false;
    gridDropNode = nullptr;
    if ((target != tree && target != tree->viewport()) || table.IsEmpty() || !node)
        return;
    const TTreeData* group = TreeData(node);
    if (!group || group->Ident < 0)
        return;  // "VŠECHNY POLOŽKY" is no group
    const qint64 item = tableIDENT->AsLargeInt();
    dm->MoveItemToGroup(item, group->Ident);  // a failed move leaves the item where it was
    const bool reselected = tree->currentItem() == node;
    tree->setCurrentItem(node);  // re-reads the list for the node's branch
    if (reselected)
        table.Requery();  // no selection change, yet the moved item's group cell must follow
    tree->scrollToItem(node);
    table.Locate(QStringLiteral("IDENT"), item);
}

// --- Item commands -------------------------------------------------------------------------------

void TfMain::RunItemDialog(int ident, const QString& caption)
{
    QTreeWidgetItem* node = SelectedNode();
    int item = 0;
    if (ItemDialog(ident, SelectedGroup(node), node, caption, item, this) != 1)
        return;
    RequestIndexing();  // the dialog may have stored documents
    table.Requery();
    table.Locate(QStringLiteral("IDENT"), item);  // an item the filter hides leaves the list as it is
}

void TfMain::toolMatrAddClick()
{
    RunItemDialog(0, QStringLiteral("Nová položka"));
}

void TfMain::toolMatrEditClick()
{
    // With no current item the dialog makes a new one, under this caption too.
    RunItemDialog(table.IsEmpty() ? 0 : tableIDENT->AsInteger(), QStringLiteral("Úprava položky"));
}

void TfMain::toolMatrDelClick()
{
    if (table.IsEmpty())
        return;
    if (ShowMessage(this, QStringLiteral("Vymazat položku ") + MessageValue(tableNAZEV->AsString()) + u'?', QStringLiteral("Vymazat"),
                    QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        != QMessageBox::Yes)
        return;
    const qint64 item = tableIDENT->AsLargeInt();
    dm->NewExec(QStringLiteral("DELETE FROM MATR WHERE IDENT=") + QString::number(item))->Execute();
    // The list stays where it was: on the next item, or the one before the last.
    table.Next();
    if (table.Eof())
        table.Prior();
    table.Requery();
}

// --- The text filter -----------------------------------------------------------------------------

void TfMain::toolFilterClick()
{
    QTreeWidgetItem* selected = tree->currentItem();
    filterText = QLocale().toUpper(TrimControls(edFilter->text()));
    QTreeWidgetItem* allItems = tree->topLevelItem(0);
    if (!allItems)
        return;
    if (allItems == selected)
        treeChange(allItems);  // no selection change: re-read for the new text here
    else
        tree->setCurrentItem(allItems);
    tree->scrollToItem(allItems);
}

bool TfMain::edFilterKeyPress(int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    toolFilterClick();
    return true;
}

bool TfMain::gridKeyPress(const QKeyEvent& key)
{
    const bool plain = key.modifiers() == Qt::NoModifier || key.modifiers() == Qt::KeypadModifier;
    if (key.key() == Qt::Key_End && key.modifiers() == Qt::ControlModifier) {
        // The view goes to the last row it holds; fetch every row first, so that is the true last.
        while (gridModel->canFetchMore(QModelIndex()))
            gridModel->fetchMore(QModelIndex());
        return false;
    }
    if (!plain)
        return false;
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2: toolMatrEditClick(); return true;
    case Qt::Key_Insert: toolMatrAddClick(); return true;
    case Qt::Key_Delete: toolMatrDelClick(); return true;
    default: return false;
    }
}
