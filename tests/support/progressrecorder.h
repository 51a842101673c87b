#pragma once

// Stands in for a window that is sent progress: records every WM_PROGRESS it receives. Header
// only, as the progress message belongs to data/ and only tests linking it include this.

#include "data/progress.h"

#include <QWidget>

#include <utility>
#include <vector>

class ProgressRecorder : public QWidget {
public:
    std::vector<std::pair<qint64, qint64>> received;  // position, total

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != WM_PROGRESS)
            return QWidget::event(e);
        const auto* progress = static_cast<TProgressEvent*>(e);
        received.emplace_back(progress->Position(), progress->Total());
        return true;
    }
};
