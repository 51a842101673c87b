// The three list reports, each shown first in the preview window.

#include "fmMain.h"

#include "reports/rpBoxGrp.h"
#include "reports/rpTable.h"

void TfMain::ConnectReports()
{
    // The toolbar's drop-down and the menu entries are wired by the frame.
}

// The list as it stands: its branch or text filter, its order, and back on its row afterwards.
void TfMain::toolRepoClick()
{
    ReportList(table, this);
}

void TfMain::toolRepoPlaceClick()
{
    ReportGrouped(QStringLiteral("MATR_MISTO"), QStringLiteral("ORDER BY MATR_MISTO, MATR_IDTYP, MATR_NAZEV"),
                  QStringLiteral("Podle umístění"), this);
}

void TfMain::toolRepoGrpClick()
{
    ReportGrouped(QStringLiteral("TYPY_NAZEV"), QStringLiteral("ORDER BY TYPY_NAZEV, MATR_NAZEV"),
                  QStringLiteral("Podle skupin"), this);
}
