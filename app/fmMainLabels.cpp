// Labels: the "Štítky…" entry of the Data menu, and scanning a label's code into the filter box,
// which goes to the item or lists the items of the place instead of filtering.

#include "fmMain.h"

#include "grouptreeview.h"

#include "data/grouptree.h"
#include "data/uDM.h"
#include "reports/fmLabels.h"
#include "reports/labelcode.h"
#include "reports/labeldata.h"
#include "reports/rpLabels.h"
#include "toolkit/guard.h"
#include "toolkit/messagebox.h"

#include <QKeyEvent>
#include <QTreeWidgetItem>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>

#include <algorithm>
#include <functional>
#include <optional>

namespace {

// Sees the filter box's keys before the window's own filter: installed later, it is asked first.
class ScanKeyFilter : public QObject {
public:
    ScanKeyFilter(QObject* parent, std::function<bool()> enter) : QObject(parent), enter_(std::move(enter)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const int key = static_cast<QKeyEvent*>(event)->key();
        return (key == Qt::Key_Return || key == Qt::Key_Enter) && enter_();
    }

private:
    std::function<bool()> enter_;
};

}  // namespace

void TfMain::ConnectLabels()
{
    // "Štítky…" follows the reports in the Data menu.
    const QList<QAction*> data = menuData->actions();
    const auto places = std::find_if(data.begin(), data.end(), [](QAction* a) {
        return QString(a->text()).remove(u'&') == u"Editace míst";
    });
    auto* labels = new QAction(QStringLiteral("Š&títky…"), menuData);
    labels->setObjectName(QStringLiteral("menuLabels"));
    menuData->insertAction(places != data.begin() && places != data.end() ? *(places - 1) : nullptr, labels);
    connect(labels, &QAction::triggered, this, GuardedSlot(this, &TfMain::menuLabelsClick));
    edFilter->installEventFilter(new ScanKeyFilter(edFilter, [this] {
        bool code = true;  // a code whose look-up failed is no filter text either
        Guarded([&] { code = ScanLabelCode(edFilter->text()); });
        return code;
    }));
    // A scanned place's list lasts until a branch or a filter is chosen (treeChange ends it).
    table.SetOnFilterRecord([this](TMeral3Command& ds, bool& accept) {
        if (scannedPlace.isEmpty())
            tableFilterRecord(ds, accept);
        else
            accept = LabelPlaceKey(tableMISTO->AsString()) == LabelPlaceKey(scannedPlace);
    });
}

namespace {

// The node's items in the list, no text filter or place over them.
void ShowScannedNode(TfMain& w, QTreeWidgetItem* node)
{
    w.filterText.clear();
    w.edFilter->clear();
    if (w.tree->currentItem() == node)
        w.treeChange(node);  // no selection change: re-read for the cleared filter here
    else
        w.tree->setCurrentItem(node);
    w.tree->scrollToItem(node);
}

// The group of the item, or nothing when the catalogue has no such item.
std::optional<qint64> GroupOfItem(qint64 item)
{
    const auto query = dm->NewQuery(QStringLiteral("SELECT IFNULL(IDTYP, 0) FROM MATR WHERE IDENT=") + QString::number(item));
    query->Open();
    if (query->Eof())
        return std::nullopt;
    return query->Fields()[0].AsLargeInt();
}

}  // namespace

bool TfMain::ScanLabelCode(const QString& typed)
{
    const std::optional<TLabelCode> code = ReadLabelCode(typed);
    if (!code)
        return false;  // ordinary filter text
    const QString shown = typed.trimmed();
    bool found = false;
    if (code->kind == TLabelCode::Item) {
        if (const std::optional<qint64> group = GroupOfItem(code->item)) {
            QTreeWidgetItem* node = Tdm::FindGroupNode(tree, qint32(*group));
            ShowScannedNode(*this, node ? node : tree->topLevelItem(0));
            found = table.Locate(QStringLiteral("IDENT"), code->item);
            grid->scrollTo(grid->currentIndex());
        }
    } else {
        QStringList places;
        dm->ListPlaces(places);
        if (const std::optional<QString> place = FindPlaceOfCode(*code, places)) {
            ShowScannedNode(*this, tree->topLevelItem(0));
            scannedPlace = *place;
            if (table.Filtered())
                table.Requery();
            else
                table.SetFiltered(true);
            SetStatusText(0, QStringLiteral("Místo uložení %1: %2 položek").arg(*place).arg(ShownItemCount()));
            found = true;
        }
    }
    if (found) {
        edFilter->clear();
    } else {
        // The next scan replaces the text instead of adding to it.
        SetStatusText(0, QStringLiteral("Kód %1 nepatří žádné položce ani místu katalogu.").arg(shown));
        edFilter->selectAll();
    }
    return true;
}

namespace {

std::vector<TLabel> LabelsOf(TLabelSubject subject, TMeral3Command& items)
{
    switch (subject) {
    case TLabelSubject::CurrentItem: return CurrentItemLabel(items, *dm);
    case TLabelSubject::ListedItems: return ItemLabels(items, *dm);
    case TLabelSubject::PlacesOfListed: return PlaceLabels(PlacesOfItems(items, *dm));
    case TLabelSubject::AllPlaces: break;
    }
    QStringList places;
    dm->ListPlaces(places);
    return PlaceLabels(places);
}

}  // namespace

void TfMain::menuLabelsClick()
{
    TfLabels dialog(dm->SettingsFile(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const std::vector<TLabel> labels = LabelsOf(dialog.Choice().subject, table);
    if (labels.empty()) {
        ShowMessage(this, QStringLiteral("Není co tisknout: žádná položka ani místo uložení."), QStringLiteral("Štítky"),
                    QMessageBox::Information);
        return;
    }
    PreviewLabels(labels, dialog.Choice().options, this);
}
