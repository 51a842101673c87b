// Backup and restore of the catalogue, and the progress panel's cancel button. Filled by a later
// change.

#include "fmMain.h"

void TfMain::ConnectBackup()
{
    // Filled by a later change.
}

void TfMain::zalohaDatClick()
{
    // Filled by a later change.
}

void TfMain::obnovaDatClick()
{
    // Filled by a later change.
}

void TfMain::brCancelClick()
{
    // Filled by a later change.
}
