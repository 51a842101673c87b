#pragma once

// A status bar panel: centred text; a text too long for the panel is shortened to fit (by default
// it loses its start, so a path keeps its file name) and shows whole in the tooltip.

#include <QLabel>

class StatusPanel : public QLabel {
public:
    using QLabel::QLabel;

    // The text as the panel shows it at its present width.
    QString ShownText() const;

protected:
    // The text shortened to at most width pixels.
    virtual QString Shortened(const QString& text, int width) const;
    void paintEvent(QPaintEvent* event) override;

private:
    QRect TextArea() const;
};
