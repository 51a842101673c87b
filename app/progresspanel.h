#pragma once

// The progress panel that floats over the main window's right side during long work: what is
// being done, a cancel button, the bar and the file being worked on. The frame places it.

#include <QFrame>

class QLabel;
class QProgressBar;
class QToolButton;

class TProgressPanel : public QFrame {
public:
    static constexpr int Width = 403;
    static constexpr int Height = 70;

    explicit TProgressPanel(QWidget* parent);

    // Readies the panel for new work: its text, whether it can be cancelled, the bar at 0.
    void Start(bool cancellable, const QString& caption);
    // Hides the panel and clears its texts.
    void Finish();
    // A negative position marks eighths of the bar; the file shows by its name alone.
    void Step(int position, const QString& fileName);
    void SetProgress(qint64 position, qint64 total);
    bool Cancellable() const;

    QLabel* text = nullptr;
    QToolButton* cancel = nullptr;
    QProgressBar* bar = nullptr;
    QLabel* file = nullptr;
};
