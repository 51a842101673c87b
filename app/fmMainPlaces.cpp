// The places editor: renaming a storage place for every item that has it. The panel's controls
// are built with the frame; its behaviour is filled by a later change.

#include "fmMain.h"

void TfMain::ConnectPlacesPane()
{
    // Filled by a later change.
}

bool TfMain::PlacesEvent(QObject*, QEvent*)
{
    return false;  // filled by a later change
}

void TfMain::Editacemst1Click()
{
    // Filled by a later change.
}

void TfMain::gridMistaGetEditText()
{
    // Filled by a later change.
}

void TfMain::gridMistaKeyPress()
{
    // Filled by a later change.
}

void TfMain::gridMistaKeyDown()
{
    // Filled by a later change.
}

void TfMain::gridMistaValidate()
{
    // Filled by a later change.
}

void TfMain::grpMistaExit()
{
    // Filled by a later change.
}
