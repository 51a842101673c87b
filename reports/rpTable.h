#pragma once

// The plain list report: the rows of the main window's item list as they stand, in its order.

#include "report/report.h"

class QWidget;
class TMeral3Command;

class TrepoTable : public TReport {
public:
    // The preview opens over mainWindow (may be null).
    explicit TrepoTable(QWidget* mainWindow = nullptr);

    void QuickRepPreview(TReportPageSource& pages);

private:
    void BuildLayout();

    QWidget* mainWindow_;
};

// Prints the item record set (fields IDENT, IDTYP, NAZEV, POPIS, MISTO; IDTYP as its display text)
// through the preview. The record set's bound views stay still meanwhile, and it stands on its
// former row afterwards, also when an error passes.
void ReportList(TMeral3Command& items, QWidget* mainWindow);
