#pragma once

// A status bar panel: centred text; a text too long for the panel loses its start (a path keeps
// its file name) and shows whole in the tooltip.

#include <QLabel>

class StatusPanel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
};
