#pragma once

// Only one instance of the program runs per user. The first start listens on a local socket named
// after the program's fixed title and the user id; a later start connects, asks the first to bring
// its window back, and ends.
//
//     TSingleInstance instance;
//     if (instance.SignalRunningInstance()) return 0;   // before the database is touched
//     instance.Listen();
//     connect(&instance, &TSingleInstance::RestoreRequested, &window, [&] { BringToFront(&window); });

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QWidget;

inline constexpr char kInstanceTitle[] = "Regalon {5C2E9A41-7B03-4F6D-9E18-A2D47B6C0E95}";

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    explicit TSingleInstance(const QString& title = QString::fromLatin1(kInstanceTitle),
                             QObject* parent = nullptr);
    ~TSingleInstance() override;

    // The socket path for a title: the title and the user id, with every character a socket name
    // should not hold turned into "_", in the temporary folder.
    static QString ServerName(const QString& title);
    QString Name() const { return name_; }

    // True when an instance already runs; it has then been asked to restore its window.
    bool SignalRunningInstance();
    // Starts answering later starts. A socket left by a crashed instance is removed first; false
    // (with ErrorString) when another instance owns the name or the socket cannot be made.
    bool Listen();
    bool Listening() const;
    QString ErrorString() const { return error_; }

signals:
    void RestoreRequested();

private:
    void acceptConnections();

    QString name_;
    QString error_;
    QLocalServer* server_;  // child of this object
};

// Shows a minimised or maximised window at its normal size and position, raises and activates it.
void BringToFront(QWidget* window);
