// The item list and its filter. The list's full behaviour (banded cells, sorting by a title
// click, dragging items onto the tree, its pop-up menu and the item commands) is filled by a
// later change; the accept rule is here already because the tree's branch filter relies on it.

#include "fmMain.h"

#include "grouptreeview.h"

#include "data/uDM.h"

#include <QLocale>

void TfMain::ConnectListPane()
{
    // Filled by a later change.
}

bool TfMain::ListEvent(QObject*, QEvent*)
{
    return false;  // filled by a later change
}

void TfMain::tableAfterScroll(TMeral3Command&)
{
    // Filled by a later change.
}

void TfMain::tableFilterRecord(TMeral3Command&, bool& accept)
{
    if (!filterText.isEmpty()) {
        accept = MatchesFilterText();
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
    const QLocale locale;
    for (TField* field : {tableNAZEV, tablePOPIS, tableOBSAH})
        if (locale.toUpper(field->AsString()).contains(filterText))
            return true;
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

void TfMain::gridDrawColumnCell()
{
    // Filled by a later change.
}

void TfMain::gridTitleBtnClick(int)
{
    // Filled by a later change.
}

void TfMain::gridMouseMove()
{
    // Filled by a later change.
}

void TfMain::gridDragOver()
{
    // Filled by a later change.
}

void TfMain::gridEndDrag()
{
    // Filled by a later change.
}

void TfMain::gridPopupPopup()
{
    // Filled by a later change.
}

void TfMain::toolMatrAddClick()
{
    // Filled by a later change.
}

void TfMain::toolMatrEditClick()
{
    // Filled by a later change.
}

void TfMain::toolMatrDelClick()
{
    // Filled by a later change.
}

void TfMain::toolFilterClick()
{
    // Filled by a later change.
}

void TfMain::edFilterKeyPress()
{
    // Filled by a later change.
}
