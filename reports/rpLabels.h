#pragma once

// Label sheets through the report engine: one page per sheet, each label a band named "label"
// holding its code (drawn as filled rectangles) and its texts "title", "detail" and "code", each
// cut with "…" to the label's inner box.

#include "reports/labeldata.h"
#include "reports/labelsheet.h"

#include <vector>

class QWidget;
class TReportPageSource;

// Fills the pages (cleared first); raises an Exception when the options are refused or a code
// cannot be made. No labels give one empty sheet.
void LayOutLabels(const std::vector<TLabel>& labels, const TLabelOptions& options, TReportPageSource& pages);

// Shows the sheets in the preview window over mainWindow (may be null), from which they print.
void PreviewLabels(const std::vector<TLabel>& labels, const TLabelOptions& options, QWidget* mainWindow);

// Writes the sheets to a PDF file at 100 %; raises an Exception naming the file when it cannot.
void WriteLabelsPdf(const std::vector<TLabel>& labels, const TLabelOptions& options, const QString& path);
