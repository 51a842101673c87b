#pragma once

// Only one instance of the program runs per user and display. The first start listens on a local
// socket in the user's private runtime folder ($XDG_RUNTIME_DIR, else a 0700 folder of the user's
// own that Qt keeps), named after the program's fixed title, the user id and the display; a later
// start connects, asks the first to bring its window back, waits for its answer, and ends.
//
//     TSingleInstance instance;
//     if (instance.SignalRunningInstance()) return 0;   // before the database is touched
//     instance.Listen();
//     connect(&instance, &TSingleInstance::RestoreRequested, &window, [&] { BringToFront(&window); });
//
// Something that listens on the name but does not answer is taken for a running instance only when
// it is another process of this same program (busy for a while); anything else (a squatter) is
// not: the start goes on and takes the name over.

#include <QObject>
#include <QString>

class QLocalServer;
class QWidget;

inline constexpr char kInstanceTitle[] = "Regalon {5C2E9A41-7B03-4F6D-9E18-A2D47B6C0E95}";

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    explicit TSingleInstance(const QString& title = QString::fromLatin1(kInstanceTitle),
                             QObject* parent = nullptr);
    ~TSingleInstance() override;

    // The socket path for a title: the title, the user id and the display, with every character a
    // socket name should not hold turned into "_", in the private runtime folder. Empty when the
    // user has no such folder (its fallback belongs to someone else).
    static QString ServerName(const QString& title);
    QString Name() const { return name_; }

    // How long a start waits for the running instance to answer.
    void SetAnswerTimeout(int milliseconds) { answerTimeoutMs_ = milliseconds; }

    // True when an instance already runs; it has then been asked to restore its window.
    bool SignalRunningInstance();
    // Starts answering later starts. A socket nobody answers on (left by a crash, or squatted) is
    // replaced; false (with ErrorString) when a running instance owns the name or the socket
    // cannot be made.
    bool Listen();
    bool Listening() const;
    QString ErrorString() const { return error_; }

signals:
    void RestoreRequested();

private:
    enum class Peer { None, Instance, Silent };
    Peer Ask(const QByteArray& request) const;
    void acceptConnections();

    QString name_;
    QString error_;
    int answerTimeoutMs_;
    bool silentPeer_ = false;  // the last question found a listener that did not answer
    QLocalServer* server_;     // child of this object
};

// The display this session shows on: Wayland's, else X's without the screen (":0.0" is ":0").
// Two sessions of one user on different displays each run their own instance.
QString SessionDisplay();

// Shows a minimised or maximised window at its normal size and position, raises and activates it.
void BringToFront(QWidget* window);
