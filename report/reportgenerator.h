#pragma once

// The banded report generator: lays a report layout out over the records of a data source into
// pages of a page source.
//
// Layout rules: the page header opens every page (the first as well) and the page footer is bound to
// the foot of every page (the last as well). A group header prints whenever its expression's value
// differs from the previous record's (an outer group's change restarts the inner ones); its footer
// prints after the group's last record. Detail prints once per record, the summary once after the
// last. COUNT counts the records of the group in a group footer (restarting after each footer) and
// of the report so far everywhere else. A band that does not fit starts a new page; a group header
// keeps the first record of its group with it. A page is produced even without records.

#include "report/reportdata.h"
#include "report/reportlayout.h"
#include "report/reportpages.h"

#include <QDateTime>
#include <QString>

// Fills pages (cleared first) from the records; the date and time elements print time.
// Raises an Exception on a bad expression or an unknown field.
void GenerateReport(const TReportLayout& layout, TReportDataSource& data, TReportPageSource& pages,
                    const QDateTime& time);

QString ReportTimeText(const QDateTime& time);
