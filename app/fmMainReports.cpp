// The three list reports. Filled by a later change.

#include "fmMain.h"

void TfMain::ConnectReports()
{
    // Filled by a later change.
}

void TfMain::toolRepoClick()
{
    // Filled by a later change.
}

void TfMain::toolRepoPlaceClick()
{
    // Filled by a later change.
}

void TfMain::toolRepoGrpClick()
{
    // Filled by a later change.
}
