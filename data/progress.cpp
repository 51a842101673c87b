#include "progress.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace {

// How long the input phase may run; it ends earlier when nothing is pending.
constexpr int InputPhaseMilliseconds = 50;

// Input that could start a command somewhere else, and the requests to close or quit.
bool IsUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress: case QEvent::MouseButtonRelease: case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: case QEvent::Wheel: case QEvent::KeyPress: case QEvent::KeyRelease:
    case QEvent::ShortcutOverride: case QEvent::Shortcut: case QEvent::ContextMenu:
    case QEvent::NonClientAreaMouseButtonPress: case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick: case QEvent::NonClientAreaMouseMove:
    case QEvent::TouchBegin: case QEvent::TouchUpdate: case QEvent::TouchEnd: case QEvent::TouchCancel:
    case QEvent::TabletPress: case QEvent::TabletRelease: case QEvent::TabletMove:
    case QEvent::DragEnter: case QEvent::DragMove: case QEvent::DragLeave: case QEvent::Drop:
    case QEvent::InputMethod: case QEvent::Close: case QEvent::Quit:
        return true;
    default:
        return false;
    }
}

// Drops input meant for anything outside one window while it is installed on the application.
class InputFilter : public QObject {
public:
    explicit InputFilter(QWidget* window) : window_(window) { qApp->installEventFilter(this); }
    ~InputFilter() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override
    {
        return IsUserInput(event->type()) && !Reaches(receiver);
    }

private:
    bool Reaches(QObject* receiver) const
    {
        if (!window_)
            return false;
        // A modal box opened by a handler of the window itself (a question after a click on its
        // button) must take its answer, or the program would wait for it forever.
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* widget = qobject_cast<QWidget*>(receiver))
            return Within(window_, widget) || (modal && Within(modal, widget));
        // The platform window hands input on to the widget under the cursor or in focus; the
        // widget-level delivery is filtered again above.
        if (auto* platformWindow = qobject_cast<QWindow*>(receiver))
            return platformWindow == window_->window()->windowHandle()
                || (modal && platformWindow == modal->windowHandle());
        return false;
    }
    static bool Within(const QWidget* root, const QWidget* widget)
    {
        return widget == root || root->isAncestorOf(widget);
    }
    QPointer<QWidget> window_;
};

}  // namespace

void SendProgress(QObject* receiver, qint64 position, qint64 total)
{
    if (!receiver)
        return;
    TProgressEvent event(position, total);
    QCoreApplication::sendEvent(receiver, &event);
}

void PumpMessages(QWidget* window)
{
    if (!QCoreApplication::instance())
        return;
    QPointer<QWidget> guarded(window);
    if (guarded) {
        InputFilter filter(guarded);
        QCoreApplication::processEvents(QEventLoop::AllEvents, InputPhaseMilliseconds);
    }
    // Repaints only: updates are posted to the top-level window, so that is where they are taken.
    QWidget* top = guarded ? guarded->window() : nullptr;
    QCoreApplication::sendPostedEvents(top, QEvent::UpdateRequest);
    QCoreApplication::sendPostedEvents(top, QEvent::UpdateLater);
}
