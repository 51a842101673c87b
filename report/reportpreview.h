#pragma once

// Shows one page of a report page source at a zoom, with scroll bars that follow the thumb while
// it is dragged. The mouse wheel never scrolls: it is announced (MouseWheelUp/Down) so the owner
// can turn pages with it.

#include <QAbstractScrollArea>
#include <QPointer>

class TReportPageSource;

class TReportPreview : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TReportPreview(QWidget* parent = nullptr);

    // The source is not owned; the preview forgets it when it is destroyed. The pages the source
    // holds already are announced once, later pages one by one, always through the event queue.
    void SetPageSource(TReportPageSource* source);
    TReportPageSource* PageSource() const { return source_; }
    int PageCount() const;

    int PageNumber() const { return page_; }
    void SetPageNumber(int number);  // kept within 1 … PageCount
    int Zoom() const { return zoom_; }  // percent of the real size
    void SetZoom(int percent);          // kept within kMinZoom … kMaxZoom
    void ZoomToWidth();
    void ZoomToFit();

    static constexpr int kMinZoom = 5;
    static constexpr int kMaxZoom = 800;

signals:
    void PageAvailable(int count);
    void MouseWheelUp();
    void MouseWheelDown();
    void MouseDown();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    QSize Room() const;
    double PixelsPerMm() const;
    QSize PageSizePx() const;
    QRect PageRect() const;  // in viewport coordinates
    void UpdateScrollBars();
    int ZoomFor(double widthPx, double heightPx) const;

    QPointer<TReportPageSource> source_;
    int page_ = 1;
    int zoom_ = 100;
    int wheelRest_ = 0;
};
