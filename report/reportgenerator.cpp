#include "reportgenerator.h"

#include "report/reportexpr.h"
#include "sqlite/errors.h"

#include <QFontMetricsF>
#include <QHash>

#include <algorithm>

namespace {

constexpr double kLineWidthMm = 0.2;
constexpr double kEpsilonMm = 1e-6;

constexpr qsizetype kFitCacheLimit = 20000;

struct FittedText {
    QString text;
    double widthMm;
};

// An element with what its layout needs measured once: the font in layout units, its expression,
// and the texts already fitted (catalogue columns repeat their values a lot, measuring is slow).
struct PreparedElement {
    const TReportElement* element;
    QFontMetricsF metrics;
    double heightMm;
    TReportExpression expression;
    QHash<QString, FittedText> fitted;

    const FittedText& Fit(const QString& full, double roomMm);
};

struct PreparedBand {
    const TReportBand* band = nullptr;
    std::vector<PreparedElement> elements;

    double Height() const { return band ? band->Height() : 0.0; }
};

PreparedBand prepareBand(const TReportBand* band)
{
    PreparedBand prepared;
    prepared.band = band;
    if (!band)
        return prepared;
    for (const auto& element : band->Elements()) {
        QFontMetricsF metrics(ReportUnitFont(element->Font()));
        const double height = metrics.height() / kReportUnitsPerMm;
        TReportExpression expression;
        if (element->Kind() == TElementKind::Expression)
            expression = TReportExpression(element->Text());
        prepared.elements.push_back({element.get(), metrics, height, std::move(expression), {}});
    }
    return prepared;
}

// The longest start of the text that fits the width; a cut never splits a surrogate pair.
QString fitText(const QFontMetricsF& metrics, const QString& text, double widthMm)
{
    const double width = widthMm * kReportUnitsPerMm + kEpsilonMm;
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    qsizetype fits = 0;
    qsizetype tooLong = text.size();
    while (tooLong - fits > 1) {
        const qsizetype middle = (fits + tooLong) / 2;
        if (metrics.horizontalAdvance(text.left(middle)) <= width)
            fits = middle;
        else
            tooLong = middle;
    }
    if (fits > 0 && text[fits - 1].isHighSurrogate())
        --fits;
    return text.left(fits);
}

// An element's place does not move, so the room it has is the same for every text it gets.
const FittedText& PreparedElement::Fit(const QString& full, double roomMm)
{
    if (const auto it = fitted.constFind(full); it != fitted.constEnd())
        return *it;
    if (fitted.size() >= kFitCacheLimit)
        fitted.clear();
    double width = element->Width();
    if (width <= 0)
        width = std::min(metrics.horizontalAdvance(full) / kReportUnitsPerMm, roomMm);
    return *fitted.insert(full, {fitText(metrics, full, width), width});
}

QStringList fieldsUsed(const PreparedBand& band)
{
    QStringList names;
    for (const PreparedElement& e : band.elements) {
        if (e.element->Kind() == TElementKind::Field)
            names << e.element->Text();
        else if (e.element->Kind() == TElementKind::Expression)
            names << e.expression.FieldNames();
    }
    return names;
}

class Generator {
public:
    Generator(const TReportLayout& layout, TReportDataSource& data, TReportPageSource& pages, const QDateTime& time);
    void Run();

private:
    struct Group {
        PreparedBand header;
        PreparedBand footer;
        TReportExpression expression;
        QString value;
        qint64 count = 0;
    };

    void ReadRecord();
    std::size_t ChangedGroup(const std::vector<QString>& values) const;
    void StartGroups(std::size_t from);
    void EndGroups(std::size_t from);
    void PrintBand(PreparedBand& band, qint64 count, const TFieldReader& fields);
    void EnsureRoom(double height);
    void StartPage();
    void FinishPage();
    void Place(PreparedBand& band, qint64 count, const TFieldReader& fields);
    void PlaceElement(PreparedElement& e, const QString& band, QPointF bandOrigin, qint64 count,
                      const TFieldReader& fields);
    QString ElementText(const PreparedElement& e, qint64 count, const TFieldReader& fields) const;

    const TReportLayout& layout_;
    TReportDataSource& data_;
    TReportPageSource& pages_;
    const QString timeText_;
    PreparedBand pageHeader_, detail_, summary_, pageFooter_;
    std::vector<Group> groups_;

    // Bands printed after a record has been left (footers, summary) show that record's fields.
    QStringList trailingFields_;
    QHash<QString, QString> last_;
    TFieldReader live_;
    TFieldReader trailing_;

    TReportPage page_;
    int pageNumber_ = 0;
    double y_ = 0;
    double bodyBottom_ = 0;
    bool pageHasBody_ = false;
    std::size_t openGroups_ = 0;
    qint64 total_ = 0;
};

Generator::Generator(const TReportLayout& layout, TReportDataSource& data, TReportPageSource& pages,
                     const QDateTime& time)
    : layout_(layout), data_(data), pages_(pages), timeText_(ReportTimeText(time)),
      pageHeader_(prepareBand(layout.BandOfKind(TBandKind::PageHeader))),
      detail_(prepareBand(layout.BandOfKind(TBandKind::Detail))),
      summary_(prepareBand(layout.BandOfKind(TBandKind::Summary))),
      pageFooter_(prepareBand(layout.BandOfKind(TBandKind::PageFooter)))
{
    for (const TReportBand* header : layout.Groups()) {
        if (header->Expression().trimmed().isEmpty())
            throw Exception(QStringLiteral("Group band \"%1\" has no expression").arg(header->Name()));
        groups_.push_back({prepareBand(header), prepareBand(header->FooterBand()),
                           TReportExpression(header->Expression()), {}, 0});
        trailingFields_ << fieldsUsed(groups_.back().footer);
    }
    for (const PreparedBand* band : {&pageHeader_, &summary_, &pageFooter_})
        trailingFields_ << fieldsUsed(*band);
    trailingFields_.removeDuplicates();
    live_ = [this](const QString& name) { return data_.Eof() ? last_.value(name) : data_.FieldText(name); };
    trailing_ = [this](const QString& name) { return last_.value(name); };
}

void Generator::Run()
{
    pages_.Clear();
    pages_.SetPageSize(layout_.PageSize());
    data_.First();
    StartPage();
    while (!data_.Eof()) {
        ReadRecord();
        data_.Next();
    }
    if (total_ > 0)
        EndGroups(0);
    PrintBand(summary_, total_, trailing_);
    FinishPage();
}

void Generator::ReadRecord()
{
    std::vector<QString> values;
    values.reserve(groups_.size());
    for (const Group& group : groups_)
        values.push_back(group.expression.Evaluate(total_, live_, data_.Name()));
    const std::size_t changed = ChangedGroup(values);
    if (total_ > 0)
        EndGroups(changed);
    for (std::size_t i = changed; i < groups_.size(); ++i)
        groups_[i].value = values[i];
    StartGroups(changed);

    ++total_;
    for (Group& group : groups_)
        ++group.count;
    PrintBand(detail_, total_, live_);
    for (const QString& name : trailingFields_)
        last_.insert(name, data_.FieldText(name));
}

std::size_t Generator::ChangedGroup(const std::vector<QString>& values) const
{
    if (total_ == 0)
        return 0;
    for (std::size_t i = 0; i < groups_.size(); ++i)
        if (values[i] != groups_[i].value)
            return i;
    return groups_.size();
}

void Generator::StartGroups(std::size_t from)
{
    openGroups_ = from;
    if (from == groups_.size())
        return;
    double keep = detail_.Height();
    for (std::size_t i = from; i < groups_.size(); ++i)
        keep += groups_[i].header.Height();
    EnsureRoom(keep);
    for (std::size_t i = from; i < groups_.size(); ++i) {
        PrintBand(groups_[i].header, total_, live_);
        openGroups_ = i + 1;
    }
}

void Generator::EndGroups(std::size_t from)
{
    for (std::size_t i = groups_.size(); i-- > from;) {
        PrintBand(groups_[i].footer, groups_[i].count, trailing_);
        groups_[i].count = 0;
        openGroups_ = i;
    }
}

void Generator::PrintBand(PreparedBand& band, qint64 count, const TFieldReader& fields)
{
    if (!band.band)
        return;
    EnsureRoom(band.Height());
    Place(band, count, fields);
    pageHasBody_ = true;
}

// A band taller than a whole page goes on a page of its own instead of breaking pages for ever.
void Generator::EnsureRoom(double height)
{
    if (pageHasBody_ && y_ + height > bodyBottom_ + kEpsilonMm) {
        FinishPage();
        StartPage();
    }
}

void Generator::StartPage()
{
    page_ = {};
    ++pageNumber_;
    pageHasBody_ = false;
    y_ = layout_.Margins().top();
    bodyBottom_ = layout_.PageSize().height() - layout_.Margins().bottom() - pageFooter_.Height();
    if (pageHeader_.band)
        Place(pageHeader_, total_, live_);
    for (std::size_t i = 0; i < openGroups_; ++i)
        if (groups_[i].header.band->RepeatOnNewPage())
            Place(groups_[i].header, total_, live_);
}

void Generator::FinishPage()
{
    if (pageFooter_.band) {
        y_ = bodyBottom_;
        Place(pageFooter_, total_, live_);
    }
    pages_.AddPage(std::move(page_));
}

void Generator::Place(PreparedBand& band, qint64 count, const TFieldReader& fields)
{
    const TReportBand& b = *band.band;
    const QRectF rect(layout_.Margins().left(), y_, layout_.PrintableWidth(), b.Height());
    page_.bands.push_back({b.Name(), b.Kind(), rect});
    if (b.LineAbove())
        page_.lines.push_back({QLineF(rect.topLeft(), rect.topRight()), b.LineColor(), kLineWidthMm});
    if (b.LineBelow())
        page_.lines.push_back({QLineF(rect.bottomLeft(), rect.bottomRight()), b.LineColor(), kLineWidthMm});
    for (PreparedElement& e : band.elements)
        PlaceElement(e, b.Name(), rect.topLeft(), count, fields);
    y_ += b.Height();
}

void Generator::PlaceElement(PreparedElement& e, const QString& band, QPointF bandOrigin, qint64 count,
                             const TFieldReader& fields)
{
    const double left = bandOrigin.x() + e.element->Left();
    const double room = layout_.Margins().left() + layout_.PrintableWidth() - left;
    const FittedText& fitted = e.Fit(ElementText(e, count, fields), room);
    if (fitted.text.isEmpty())
        return;
    const QRectF rect(left, bandOrigin.y() + e.element->Top(), fitted.widthMm, e.heightMm);
    page_.texts.push_back({band, e.element->Name(), rect, fitted.text, e.element->Font()});
}

QString Generator::ElementText(const PreparedElement& e, qint64 count, const TFieldReader& fields) const
{
    switch (e.element->Kind()) {
    case TElementKind::Label: return e.element->Text();
    case TElementKind::Field: return fields(e.element->Text());
    case TElementKind::DateTime: return timeText_;
    case TElementKind::PageNumber: return QString::number(pageNumber_);
    case TElementKind::Expression: return e.expression.Evaluate(count, fields, data_.Name());
    }
    return {};
}

}  // namespace

QString ReportTimeText(const QDateTime& time) { return time.toString(QStringLiteral("d.M.yyyy H:mm:ss")); }

void GenerateReport(const TReportLayout& layout, TReportDataSource& data, TReportPageSource& pages,
                    const QDateTime& time)
{
    Generator(layout, data, pages, time).Run();
}
