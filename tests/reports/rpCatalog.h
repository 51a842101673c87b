#pragma once

// A real catalogue in a temporary work folder for the report tests, and the pages a report hands
// to its preview, taken in place of the modal window.

#include "data/uDM.h"
#include "tests/sqlite/sql3_testdb.h"
#include "tests/support/workfolder.h"
#include "report/reportpages.h"

#include <QHash>
#include <QMap>

#include <vector>

struct ReportCatalogue {
    TempWorkFolder folder;
    Tdm data;

    ReportCatalogue();
    void AddGroup(qint64 ident, qint64 parent, const QString& name);
    // A null QString stores NULL.
    void AddItem(qint64 ident, qint64 group, const QString& name, const QString& place = {},
                 const QString& description = {});
    QHash<qint64, QString> GroupNames();
};

// Takes the pages of every report previewed while it lives.
struct PreviewCapture {
    PreviewCapture();
    ~PreviewCapture();

    std::vector<TReportPage> pages;
    QString reportTitle;
    int previews = 0;
    std::function<void()> during;  // runs inside the preview
};

// Texts of one placed band by element name.
using BandTexts = QMap<QString, QString>;
BandTexts TextsOf(const TReportPage& page, const TPlacedBand& band);
// Every detail band of the report, in print order.
std::vector<BandTexts> DetailRows(const std::vector<TReportPage>& pages);
QStringList DetailColumn(const std::vector<TReportPage>& pages, const QString& element);
// The body bands in print order: "[group value]" for a group header, the designation for a detail,
// "= count line" for a group footer or the summary.
QStringList Outline(const std::vector<TReportPage>& pages);
