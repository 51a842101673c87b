#pragma once

// Progress reporting and message pumping for long work done on the user-interface thread.

#include <QEvent>

class QObject;
class QWidget;

// The progress message: a position and the total it refers to.
inline constexpr QEvent::Type WM_PROGRESS = QEvent::Type(0x83F8);

class TProgressEvent : public QEvent {
public:
    TProgressEvent(qint64 position, qint64 total) : QEvent(WM_PROGRESS), position_(position), total_(total) {}
    qint64 Position() const { return position_; }
    qint64 Total() const { return total_; }

private:
    qint64 position_;
    qint64 total_;
};

// Sends WM_PROGRESS synchronously; does nothing without a receiver.
void SendProgress(QObject* receiver, qint64 position, qint64 total);

// Processes the pending events while user input reaches only the window and its children (input
// for every other window is dropped), then lets the window repaint. Each phase is bounded. Without
// a window only the repaint of pending updates happens, and all input stays queued.
void PumpMessages(QWidget* window);
