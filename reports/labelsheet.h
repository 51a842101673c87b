#pragma once

// Label sheets: where each label of an A4 sheet lies. A sheet is columns × rows of equal labels
// with a left and a top margin and gaps between them, in millimetres from the paper's top left
// corner. Each position is computed from its column and row alone, so no error adds up down the page.

#include "reports/labelsymbol.h"

#include <QPointF>
#include <QRectF>
#include <QString>

#include <vector>

struct TLabelSheet {
    QString name;   // a preset's name as the command line takes it; the text form for one's own
    QString title;  // what the dialog shows
    int columns = 0;
    int rows = 0;
    double width = 0;   // of one label
    double height = 0;
    double left = 0;    // margins
    double top = 0;
    double gapX = 0;
    double gapY = 0;

    int PerSheet() const { return columns * rows; }
    // The position-th label (0 = top left, row by row), moved by the printer's offset.
    QRectF LabelRect(int position, QPointF offset = {}) const;
    // Raises an Exception with a Czech text when the sheet has no labels, a label too small for a
    // code, or does not fit on A4.
    void Check() const;
    // COLSxROWS:WxH:LEFT,TOP:GAPX,GAPY
    QString Text() const;
};

inline constexpr double kSheetWidth = 210.0;   // A4, mm
inline constexpr double kSheetHeight = 297.0;

const std::vector<TLabelSheet>& LabelSheetPresets();
// A preset by its name, or one's own sheet in its text form, checked; raises an Exception with a
// Czech text naming what is wrong.
TLabelSheet ParseLabelSheet(const QString& text);

// What is printed where: labels at the given sheet positions, `skip` positions left empty on the
// first sheet. Raises an Exception when skip is negative or leaves no label on the first sheet,
// or the offset is beyond ±10 mm.
struct TLabelPlacement {
    int sheet;     // 0-based
    int position;  // on its sheet
};
std::vector<TLabelPlacement> PlaceLabels(const TLabelSheet& sheet, int count, int skip, QPointF offset);

// How a set of labels is printed.
struct TLabelOptions {
    TLabelSheet sheet;  // checked
    QPointF offset;     // the printer's calibration, mm
    int skip = 0;       // used labels at the start of the first sheet
    TSymbology symbology = TSymbology::QR;
};
