#include "reportlayout.h"

#include "sqlite/errors.h"

QFont ReportFont(const QString& family, double points, bool bold)
{
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    // Unhinted outlines scale linearly, so text measured at layout time fits at every zoom and printer.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

TReportElement::TReportElement(TElementKind kind, QString name, double left, double top, double width,
                               QFont font, QString text)
    : kind_(kind), name_(std::move(name)), left_(left), top_(top), width_(width), font_(std::move(font)),
      text_(std::move(text))
{
}

TReportBand::TReportBand(TBandKind kind, QString name, double height)
    : kind_(kind), name_(std::move(name)), height_(height)
{
}

void TReportBand::SetFooterBand(TReportBand* footer)
{
    if (footer && footer->Kind() != TBandKind::GroupFooter)
        throw Exception(QStringLiteral("Band \"%1\" is not a group footer").arg(footer->Name()));
    footer_ = footer;
}

TReportElement* TReportBand::Add(std::unique_ptr<TReportElement> element)
{
    elements_.push_back(std::move(element));
    return elements_.back().get();
}

TReportElement* TReportBand::AddLabel(double left, double top, const QFont& font, const QString& caption,
                                      const QString& name)
{
    return Add(std::make_unique<TReportElement>(TElementKind::Label, name, left, top, 0, font, caption));
}

TReportElement* TReportBand::AddField(double left, double top, double width, const QFont& font,
                                      const QString& field, const QString& name)
{
    return Add(std::make_unique<TReportElement>(TElementKind::Field, name, left, top, width, font, field));
}

TReportElement* TReportBand::AddExpression(double left, double top, double width, const QFont& font,
                                           const QString& expression, const QString& name)
{
    return Add(std::make_unique<TReportElement>(TElementKind::Expression, name, left, top, width, font,
                                                expression));
}

TReportElement* TReportBand::AddDateTime(double left, double top, const QFont& font, const QString& name)
{
    return Add(std::make_unique<TReportElement>(TElementKind::DateTime, name, left, top, 0, font, QString()));
}

TReportElement* TReportBand::AddPageNumber(double left, double top, const QFont& font, const QString& name)
{
    return Add(std::make_unique<TReportElement>(TElementKind::PageNumber, name, left, top, 0, font, QString()));
}

TReportElement* TReportBand::Element(const QString& name) const
{
    for (const auto& element : elements_)
        if (element->Name() == name)
            return element.get();
    return nullptr;
}

TReportLayout::TReportLayout() : pageSize_(210, 297), margins_(10, 10, 10, 10) {}

TReportBand* TReportLayout::AddBand(TBandKind kind, const QString& name, double height)
{
    const bool single = kind != TBandKind::GroupHeader && kind != TBandKind::GroupFooter;
    if (single && BandOfKind(kind))
        throw Exception(QStringLiteral("The report already has a band of the kind of \"%1\"").arg(name));
    bands_.push_back(std::make_unique<TReportBand>(kind, name, height));
    return bands_.back().get();
}

TReportBand* TReportLayout::AddGroup(const QString& name, const QString& expression, double height)
{
    TReportBand* band = AddBand(TBandKind::GroupHeader, name, height);
    band->SetExpression(expression);
    return band;
}

TReportBand* TReportLayout::Band(const QString& name) const
{
    for (const auto& band : bands_)
        if (band->Name() == name)
            return band.get();
    return nullptr;
}

TReportBand* TReportLayout::BandOfKind(TBandKind kind) const
{
    for (const auto& band : bands_)
        if (band->Kind() == kind)
            return band.get();
    return nullptr;
}

std::vector<TReportBand*> TReportLayout::Groups() const
{
    std::vector<TReportBand*> groups;
    for (const auto& band : bands_)
        if (band->Kind() == TBandKind::GroupHeader)
            groups.push_back(band.get());
    return groups;
}

TReportElement* TReportLayout::Element(const QString& name) const
{
    for (const auto& band : bands_)
        if (TReportElement* element = band->Element(name))
            return element;
    return nullptr;
}
