#include "reportpreview.h"

#include "report/reportpages.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kPaperGap = 10;  // pixels of background around the page
constexpr int kShadow = 3;
constexpr int kWheelStep = 120;

}  // namespace

TReportPreview::TReportPreview(QWidget* parent) : QAbstractScrollArea(parent)
{
    horizontalScrollBar()->setTracking(true);
    verticalScrollBar()->setTracking(true);
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
}

void TReportPreview::SetPageSource(TReportPageSource* source)
{
    if (source_)
        source_->disconnect(this);
    source_ = source;
    page_ = 1;
    if (source) {
        connect(source, &TReportPageSource::PageAvailable, this, [this](int count) {
            viewport()->update();
            emit PageAvailable(count);
        }, Qt::QueuedConnection);
        if (const int count = source->PageCount(); count > 0)
            QMetaObject::invokeMethod(this, [this, count] { emit PageAvailable(count); }, Qt::QueuedConnection);
    }
    UpdateScrollBars();
    viewport()->update();
}

int TReportPreview::PageCount() const { return source_ ? source_->PageCount() : 0; }

void TReportPreview::SetPageNumber(int number)
{
    number = std::clamp(number, 1, std::max(1, PageCount()));
    if (number == page_)
        return;
    page_ = number;
    viewport()->update();
}

void TReportPreview::SetZoom(int percent)
{
    percent = std::clamp(percent, kMinZoom, kMaxZoom);
    if (percent == zoom_)
        return;
    // Keep the same part of the page in the middle of the view, or the page's edge when it was in view.
    auto fraction = [](const QScrollBar* bar) {
        const int span = bar->maximum() + bar->pageStep();
        return bar->value() == 0 || span <= 0 ? 0.0 : (bar->value() + bar->pageStep() / 2.0) / span;
    };
    const double fx = fraction(horizontalScrollBar());
    const double fy = fraction(verticalScrollBar());
    zoom_ = percent;
    UpdateScrollBars();
    auto restore = [](QScrollBar* bar, double f) {
        const int span = bar->maximum() + bar->pageStep();
        bar->setValue(f == 0.0 ? 0 : int(std::lround(f * span - bar->pageStep() / 2.0)));
    };
    restore(horizontalScrollBar(), fx);
    restore(verticalScrollBar(), fy);
    viewport()->update();
}

// The zoom at which the page with its gaps fills the given number of pixels.
int TReportPreview::ZoomFor(double widthPx, double heightPx) const
{
    const QSizeF mm = source_ ? source_->PageSize() : QSizeF(210, 297);
    const double basePxPerMm = logicalDpiX() / 25.4;
    const double zx = (widthPx - 2 * kPaperGap) / (mm.width() * basePxPerMm);
    const double zy = (heightPx - 2 * kPaperGap) / (mm.height() * basePxPerMm);
    return int(std::floor(std::min(zx, zy) * 100));
}

void TReportPreview::ZoomToWidth()
{
    const QSize room = Room();
    int zoom = ZoomFor(room.width(), 1e9);
    // A page taller than the view brings the vertical scroll bar, which takes from the width.
    const double heightMm = source_ ? source_->PageSize().height() : 297;
    if (heightMm * PixelsPerMm() / zoom_ * zoom + 2 * kPaperGap > room.height())
        zoom = ZoomFor(room.width() - style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this), 1e9);
    SetZoom(zoom);
}

void TReportPreview::ZoomToFit()
{
    const QSize room = Room();
    SetZoom(ZoomFor(room.width(), room.height()));
}

// The viewport's size without scroll bars.
QSize TReportPreview::Room() const
{
    const int frame = 2 * frameWidth();
    return size() - QSize(frame, frame);
}

double TReportPreview::PixelsPerMm() const { return logicalDpiX() / 25.4 * zoom_ / 100.0; }

QSize TReportPreview::PageSizePx() const
{
    const QSizeF mm = source_ ? source_->PageSize() : QSizeF(210, 297);
    return {int(std::lround(mm.width() * PixelsPerMm())), int(std::lround(mm.height() * PixelsPerMm()))};
}

QRect TReportPreview::PageRect() const
{
    const QSize page = PageSizePx();
    const int freeWidth = viewport()->width() - page.width();
    const int x = freeWidth > 2 * kPaperGap ? freeWidth / 2 : kPaperGap - horizontalScrollBar()->value();
    return {QPoint(x, kPaperGap - verticalScrollBar()->value()), page};
}

// Decides the scroll bars from the room without them, so showing one never leaves a stale range.
void TReportPreview::UpdateScrollBars()
{
    const QSize page = PageSizePx() + QSize(2 * kPaperGap, 2 * kPaperGap);
    const QSize room = Room();
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    bool needH = page.width() > room.width();
    bool needV = page.height() > room.height();
    needH = needH || (needV && page.width() > room.width() - extent);
    needV = needV || (needH && page.height() > room.height() - extent);
    const QSize view(room.width() - (needV ? extent : 0), room.height() - (needH ? extent : 0));
    setHorizontalScrollBarPolicy(needH ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(needV ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    horizontalScrollBar()->setRange(0, std::max(0, page.width() - view.width()));
    horizontalScrollBar()->setPageStep(view.width());
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setRange(0, std::max(0, page.height() - view.height()));
    verticalScrollBar()->setPageStep(view.height());
    verticalScrollBar()->setSingleStep(20);
}

void TReportPreview::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QRect page = PageRect();
    painter.fillRect(page.translated(kShadow, kShadow), Qt::darkGray);
    painter.fillRect(page, Qt::white);
    if (page_ <= PageCount()) {
        painter.setClipRect(event->rect().intersected(page));
        source_->PaintPage(painter, page_, PixelsPerMm(), page.topLeft());
    }
}

void TReportPreview::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void TReportPreview::wheelEvent(QWheelEvent* event)
{
    // Touchpads send small steps; a page turns for each full notch.
    wheelRest_ += event->angleDelta().y();
    for (; wheelRest_ >= kWheelStep; wheelRest_ -= kWheelStep)
        emit MouseWheelUp();
    for (; wheelRest_ <= -kWheelStep; wheelRest_ += kWheelStep)
        emit MouseWheelDown();
    event->accept();
}

void TReportPreview::mousePressEvent(QMouseEvent* event)
{
    emit MouseDown();
    event->accept();
}

void TReportPreview::scrollContentsBy(int, int) { viewport()->update(); }
