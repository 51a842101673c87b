#pragma once

// The grouped list reports: every item of the catalogue, grouped by place or by group name, read
// through the report's own query `queryRepo` on the data module's connection.

#include "report/report.h"
#include "sqlite/sql3_query.h"

class QWidget;

class TrepoBoxGrp : public TReport {
public:
    // The query works on dm's connection; the preview opens over mainWindow (may be null).
    explicit TrepoBoxGrp(QWidget* mainWindow = nullptr);
    ~TrepoBoxGrp() override;

    TMeral3Query queryRepo;

    // Sets the query's two lines, the group expression "queryRepo." + groupField, the group value
    // element and the sub-title; the order clause gains the connection's collation on text fields.
    void SetGrouping(const QString& groupField, const QString& orderClause, const QString& title);
    void QuickRepPreview(TReportPageSource& pages);

private:
    void BuildQuery();
    void BuildLayout();

    QWidget* mainWindow_;
};

// The report query's ORDER BY for the connection: under the NATIVE collation its text fields sort
// with it, and the group field once more exactly, so that values the collation holds equal but
// which print differently ("Sklad A", "sklad a") stay together as groups of their own.
QString CollatedOrderClause(const TMeral3Command& query, const QString& orderClause, const QString& groupField);

// Prints all items grouped by groupField ("MATR_MISTO", "TYPY_NAZEV") in the order of orderClause,
// under the sub-title title, through the preview.
void ReportGrouped(const QString& groupField, const QString& orderClause, const QString& title,
                   QWidget* mainWindow);
