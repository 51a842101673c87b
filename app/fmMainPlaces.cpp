// The places editor: renaming a storage place for every item that has it.
//
// The current row's value cell always has its editor open (a persistent editor, opened and
// closed here as the current row changes); the delegate neither commits nor closes on its own,
// so every validation runs from here, once, in a known order.

#include "fmMain.h"

#include "helperwidgets.h"

#include "data/uDM.h"
#include "dialogs/codepage.h"
#include "toolkit/guard.h"
#include "sqlite/sql3_utils.h"
#include "toolkit/fieldbinding.h"
#include "toolkit/messagebox.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kKeyColumn = 0;
constexpr int kValueColumn = 1;
constexpr int kPlaceWidth = 32;  // the width of MISTO

class TPlaceDelegate : public QStyledItemDelegate {
public:
    TPlaceDelegate(TfMain* owner, QObject* parent) : QStyledItemDelegate(parent), owner_(owner) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override
    {
        auto* editor = new QLineEdit(parent);
        editor->setObjectName(QStringLiteral("gridMistaEdit"));
        editor->setFrame(false);
        // A longer place, stored by another program, is edited whole, never cut.
        editor->setMaxLength(std::max(kPlaceWidth, int(index.data().toString().size())));
        editor->setValidator(new TCodePageValidator(editor));
        editor->installEventFilter(owner_);  // keys reach PlacesEvent
        return editor;
    }
    // The row's text lives in the item; the editor is written back by the places editor itself.
    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}

protected:
    bool eventFilter(QObject*, QEvent*) override { return false; }

private:
    TfMain* owner_;
};

QTableWidgetItem* ValueItem(TfMain& w, int row)
{
    return w.gridMista->item(row, kValueColumn);
}

QLineEdit* PlaceEditor(TfMain& w)
{
    if (w.placesEditorRow < 0)
        return nullptr;
    return qobject_cast<QLineEdit*>(w.gridMista->indexWidget(w.gridMista->model()->index(w.placesEditorRow, kValueColumn)));
}

// The row's value changed by the user since its editor opened or its last validation.
bool PlaceEdited(TfMain& w)
{
    const QLineEdit* editor = PlaceEditor(w);
    return editor && (w.editRow >= 0 || editor->isModified());
}

// The row's value, on the screen and in the list (the open editor follows the item).
void SetPlaceText(TfMain& w, int row, const QString& text)
{
    ValueItem(w, row)->setText(text);
    if (row == w.placesEditorRow)
        if (QLineEdit* editor = PlaceEditor(w))
            editor->setText(text);
}

void OpenPlaceEditor(TfMain& w, int row)
{
    w.placesEditorRow = row;
    w.gridMista->openPersistentEditor(ValueItem(w, row));
    w.gridMistaGetEditText();
    QLineEdit* editor = PlaceEditor(w);
    if (editor && w.gridMista->hasFocus())
        editor->setFocus();
}

// Leaves the row whose editor is open: validates an edited value when asked to, then closes the
// editor, also when the validation fails. The next row starts a fresh edit in any case, so its
// value is never compared with this row's old place.
void LeavePlaceRow(TfMain& w, bool validate)
{
    const int row = w.placesEditorRow;
    if (row < 0)
        return;
    const auto close = qScopeGuard([&w, row] {
        if (QLineEdit* editor = PlaceEditor(w)) {
            ValueItem(w, row)->setText(editor->text());
            if (editor->hasFocus())
                w.gridMista->setFocus();  // a hidden editor would hand the focus out of the list
        }
        w.gridMista->closePersistentEditor(ValueItem(w, row));
        w.placesEditorRow = -1;
        w.editRow = -1;
    });
    if (validate && PlaceEdited(w))
        w.gridMistaValidate();
}

void PlaceCurrentChanged(TfMain& w, const QModelIndex& current)
{
    if (current.isValid() && current.column() != kValueColumn) {
        w.gridMista->setCurrentCell(current.row(), kValueColumn);  // the key column is not edited
        return;
    }
    const int row = current.isValid() ? current.row() : -1;
    if (row == w.placesEditorRow)
        return;
    const auto open = qScopeGuard([&w, row] {
        if (row >= 0)
            OpenPlaceEditor(w, row);
    });
    LeavePlaceRow(w, true);
}

// The focus went from the list to another control of the main window. Dialogs (the question of
// a validation), pop-ups and other programs taking the focus do not close the panel.
bool LeftTheList(TfMain& w, QWidget* old, QWidget* now)
{
    if (w.grpMista->isHidden() || w.placesClosing || !old || !now || now->window() != w.window())
        return false;
    const auto inList = [&w](QWidget* widget) { return widget == w.gridMista || w.gridMista->isAncestorOf(widget); };
    return inList(old) && !inList(now);
}

}  // namespace

void TfMain::CreatePlacesPanel()
{
    grpMista = new QFrame(mainPanel);
    grpMista->setObjectName(QStringLiteral("grpMista"));
    grpMista->setFrameShape(QFrame::Box);
    grpMista->setAutoFillBackground(true);
    grpMista->setFixedWidth(280);
    auto* layout = new QVBoxLayout(grpMista);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);

    panMista = new QFrame(grpMista);
    panMista->setObjectName(QStringLiteral("panMista"));
    panMista->setFixedHeight(28);
    panMista->setAutoFillBackground(true);
    QPalette silver = panMista->palette();
    silver.setColor(QPalette::Window, QColor(192, 192, 192));
    silver.setColor(QPalette::WindowText, Qt::black);
    panMista->setPalette(silver);
    auto* strip = new QHBoxLayout(panMista);
    strip->setContentsMargins(0, 0, 3, 0);
    auto* caption = new QLabel(QStringLiteral("  Úprava existujících míst"), panMista);
    strip->addWidget(caption, 1);
    btnMista = new QToolButton(panMista);
    btnMista->setObjectName(QStringLiteral("btnMista"));
    btnMista->setAccessibleName(QStringLiteral("Zavřít úpravu míst"));
    btnMista->setToolTip(QStringLiteral("Zavřít"));
    btnMista->setText(QStringLiteral("X"));
    QFont bold = btnMista->font();
    bold.setBold(true);
    btnMista->setFont(bold);
    btnMista->setFixedSize(23, 22);
    strip->addWidget(btnMista);
    layout->addWidget(panMista);

    gridMista = new QTableWidget(0, 2, grpMista);
    gridMista->setObjectName(QStringLiteral("gridMista"));
    gridMista->setAccessibleName(QStringLiteral("Místa"));
    gridMista->setAccessibleDescription(QStringLiteral("Existující umístění; Enter je upraví"));
    gridMista->horizontalHeader()->hide();
    gridMista->verticalHeader()->hide();
    gridMista->setColumnWidth(0, 32);
    gridMista->setColumnWidth(1, 244);
    gridMista->horizontalHeader()->setStretchLastSection(true);
    gridMista->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(gridMista);
    grpMista->hide();
}

void TfMain::ConnectPlacesPane()
{
    gridMista->setItemDelegate(new TPlaceDelegate(this, gridMista));
    gridMista->setEditTriggers(QAbstractItemView::NoEditTriggers);  // the editor is opened here
    gridMista->setSelectionMode(QAbstractItemView::NoSelection);
    gridMista->setWordWrap(false);
    // The font and row height of the item list beside it.
    gridMista->setFont(ArialFont(9));
    gridMista->verticalHeader()->setDefaultSectionSize(QFontMetrics(gridMista->font()).height() + 6);
    connect(gridMista->selectionModel(), &QItemSelectionModel::currentChanged, &paneConnections,
            [this](const QModelIndex& current) { Guarded([&] { PlaceCurrentChanged(*this, current); }); });
    connect(btnMista, &QToolButton::clicked, this, GuardedSlot(this, &TfMain::grpMistaExit));
    connect(qApp, &QApplication::focusChanged, &paneConnections, [this](QWidget* old, QWidget* now) {
        Guarded([&] {
            if (LeftTheList(*this, old, now))
                grpMistaExit();
        });
    });
}

bool TfMain::PlacesEvent(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || placesEditorRow < 0 || watched != PlaceEditor(*this))
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        gridMistaKeyDown();
        return true;
    }
    if (key->key() == Qt::Key_Escape) {
        // Drops what was typed since the row was last validated.
        QLineEdit* editor = PlaceEditor(*this);
        editor->setText(ValueItem(*this, placesEditorRow)->text());
        editRow = -1;
        return true;
    }
    // Keys that type a character; editing and control keys (Backspace, Delete, Ctrl+V) type none.
    const QString typed = key->text();
    if (!typed.isEmpty() && typed[0].unicode() >= 32 && typed[0].unicode() != 0x7F)
        gridMistaKeyPress();
    return false;
}

void TfMain::Editacemst1Click()
{
    grpMista->show();
    grpMista->raise();
    PlaceFloatingPanels();  // 128 pixels from the left, as high as the main area less 16

    LeavePlaceRow(*this, false);
    gridMista->setRowCount(0);
    editRow = -1;

    QStringList places;
    {
        // Whatever fails, the panel does not stay open empty.
        auto closeOnError = qScopeGuard([this] { grpMistaExit(); });
        dm->ListPlaces(places);
        closeOnError.dismiss();
    }
    if (places.isEmpty()) {
        ShowMessage(this, QStringLiteral("Dosud v záznamech nemáte uložena žádná umístění."), QStringLiteral("Místa"),
                    QMessageBox::Information);
        grpMistaExit();
        return;
    }
    gridMista->setRowCount(int(places.size()));
    for (int row = 0; row < places.size(); ++row) {
        auto* key = new QTableWidgetItem(QString::number(row + 1));
        key->setFlags(Qt::ItemIsEnabled);
        key->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        key->setBackground(gridMista->palette().button());
        gridMista->setItem(row, kKeyColumn, key);
        gridMista->setItem(row, kValueColumn, new QTableWidgetItem(places[row]));
    }
    gridMista->setFocus();
    gridMista->setCurrentCell(0, kValueColumn);
}

void TfMain::gridMistaGetEditText()
{
    if (editRow == -1 && placesEditorRow >= 0)
        placeBeforeEdit = TrimControls(ValueItem(*this, placesEditorRow)->text());
}

void TfMain::gridMistaKeyPress()
{
    // From now on placeBeforeEdit stays as it was until the row is validated.
    editRow = placesEditorRow;
}

void TfMain::gridMistaKeyDown()
{
    gridMistaValidate();
}

void TfMain::gridMistaValidate()
{
    const int row = placesEditorRow;
    QLineEdit* editor = PlaceEditor(*this);
    if (row < 0 || !editor)
        return;
    if (TrimControls(editor->text()).isEmpty())
        SetPlaceText(*this, row, placeBeforeEdit);
    const QString value = editor->text();
    if (value != placeBeforeEdit) {
        const QString before = placeBeforeEdit;
        const QString question = QStringLiteral("Upravit \"") + MessageValue(before) + QStringLiteral("\" na \"")
            + MessageValue(value) + QStringLiteral("\"?");
        if (ShowMessage(this, question, QStringLiteral("Místa"), QMessageBox::Question,
                        QMessageBox::Yes | QMessageBox::No)
            == QMessageBox::Yes) {
            SetPlaceText(*this, row, value);  // the row keeps the new value also when the update fails
            CheckCodePage(value, QStringLiteral("Místo"));
            // The places were listed without regard to letter case; the rename matches them so. Bound,
            // so that every place is matched and stored as it stands.
            TParams places;
            places.Add(QStringLiteral("place")).SetAsString(value);
            places.Add(QStringLiteral("before")).SetAsString(before);
            dm->db.ExecSQL(QStringLiteral("UPDATE MATR SET MISTO=:place WHERE MISTO=:before COLLATE NATIVE"), &places);
            table.Requery();
            placeBeforeEdit = value;
        } else {
            SetPlaceText(*this, row, before);
        }
    }
    editRow = -1;
    editor->setModified(false);
}

void TfMain::grpMistaExit()
{
    if (grpMista->isHidden() || placesClosing)
        return;
    placesClosing = true;
    const bool hadFocus = grpMista->isAncestorOf(QApplication::focusWidget());
    const auto close = qScopeGuard([this, hadFocus] {
        LeavePlaceRow(*this, false);
        grpMista->hide();
        grpMista->lower();
        if (hadFocus)
            grid->setFocus();
        placesClosing = false;
    });
    // An edited value is validated first, so that nothing typed is dropped unasked.
    if (PlaceEdited(*this))
        gridMistaValidate();
}
