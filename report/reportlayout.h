#pragma once

// The declaration of a banded report: the page, its bands and the elements in them. Positions and
// sizes are millimetres; element positions count from the band's left and top edges, the band's
// left edge being the page's left margin. The generator (reportgenerator.h) lays it out over records.

#include <QColor>
#include <QFont>
#include <QMarginsF>
#include <QSizeF>
#include <QString>

#include <memory>
#include <vector>

enum class TBandKind { PageHeader, GroupHeader, Detail, GroupFooter, Summary, PageFooter };

enum class TElementKind {
    Label,       // Text() is the caption
    Field,       // Text() is the field name; prints the field's display text
    DateTime,    // the time the report was generated
    PageNumber,  // the number of the page alone
    Expression,  // Text() is an expression (reportexpr.h)
};

// The fonts of report elements: a family as Windows names it (fontconfig maps it) and points.
QFont ReportFont(const QString& family, double points, bool bold = false);

class TReportElement {
public:
    TReportElement(TElementKind kind, QString name, double left, double top, double width, QFont font,
                   QString text);

    TElementKind Kind() const { return kind_; }
    const QString& Name() const { return name_; }
    double Left() const { return left_; }
    double Top() const { return top_; }
    // 0 makes the element as wide as its text, up to the band's right edge; a wider text is cut.
    double Width() const { return width_; }
    const QFont& Font() const { return font_; }
    const QString& Text() const { return text_; }
    void SetText(const QString& text) { text_ = text; }

private:
    TElementKind kind_;
    QString name_;
    double left_;
    double top_;
    double width_;
    QFont font_;
    QString text_;
};

class TReportBand {
public:
    TReportBand(TBandKind kind, QString name, double height);

    TBandKind Kind() const { return kind_; }
    const QString& Name() const { return name_; }
    double Height() const { return height_; }
    void SetHeight(double mm) { height_ = mm; }

    bool LineAbove() const { return lineAbove_; }
    void SetLineAbove(bool on) { lineAbove_ = on; }
    bool LineBelow() const { return lineBelow_; }
    void SetLineBelow(bool on) { lineBelow_ = on; }
    const QColor& LineColor() const { return lineColor_; }
    void SetLineColor(const QColor& color) { lineColor_ = color; }

    // Group headers: the value whose change between two records starts a new group, the footer
    // printed after each group, and whether the header repeats on a page where its group continues.
    const QString& Expression() const { return expression_; }
    void SetExpression(const QString& expression) { expression_ = expression; }
    TReportBand* FooterBand() const { return footer_; }
    void SetFooterBand(TReportBand* footer);
    bool RepeatOnNewPage() const { return repeat_; }
    void SetRepeatOnNewPage(bool on) { repeat_ = on; }

    // The band owns its elements; the pointers stay valid while the band lives.
    TReportElement* AddLabel(double left, double top, const QFont& font, const QString& caption,
                             const QString& name = {});
    TReportElement* AddField(double left, double top, double width, const QFont& font, const QString& field,
                             const QString& name = {});
    TReportElement* AddExpression(double left, double top, double width, const QFont& font,
                                  const QString& expression, const QString& name = {});
    TReportElement* AddDateTime(double left, double top, const QFont& font, const QString& name = {});
    TReportElement* AddPageNumber(double left, double top, const QFont& font, const QString& name = {});

    const std::vector<std::unique_ptr<TReportElement>>& Elements() const { return elements_; }
    TReportElement* Element(const QString& name) const;

private:
    TReportElement* Add(std::unique_ptr<TReportElement> element);

    TBandKind kind_;
    QString name_;
    double height_;
    bool lineAbove_ = false;
    bool lineBelow_ = false;
    QColor lineColor_ = Qt::black;
    QString expression_;
    TReportBand* footer_ = nullptr;
    bool repeat_ = false;
    std::vector<std::unique_ptr<TReportElement>> elements_;
};

class TReportLayout {
public:
    // A4 portrait with 10 mm margins.
    TReportLayout();

    QSizeF PageSize() const { return pageSize_; }
    void SetPageSize(const QSizeF& mm) { pageSize_ = mm; }
    QMarginsF Margins() const { return margins_; }
    void SetMargins(const QMarginsF& mm) { margins_ = mm; }
    double PrintableWidth() const { return pageSize_.width() - margins_.left() - margins_.right(); }

    // A layout has at most one page header, detail, summary and page footer, and any number of
    // group headers (the first declared is the outermost) and group footers. Raises an Exception
    // on a second band of a single kind.
    TReportBand* AddBand(TBandKind kind, const QString& name, double height);
    TReportBand* AddGroup(const QString& name, const QString& expression, double height);

    TReportBand* Band(const QString& name) const;
    TReportBand* BandOfKind(TBandKind kind) const;  // the first one
    std::vector<TReportBand*> Groups() const;
    TReportElement* Element(const QString& name) const;  // searched in every band
    const std::vector<std::unique_ptr<TReportBand>>& Bands() const { return bands_; }

private:
    QSizeF pageSize_;
    QMarginsF margins_;
    std::vector<std::unique_ptr<TReportBand>> bands_;
};
