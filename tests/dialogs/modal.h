#pragma once

// Drives a modal dialog from inside its own event loop: the action runs once the dialog shows.

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>

#include <functional>

inline void WhenModal(std::function<void(QDialog&)> action)
{
    auto* timer = new QTimer(qApp);
    auto* waited = new QElapsedTimer;
    waited->start();
    QObject::connect(timer, &QTimer::timeout, qApp, [timer, waited, action] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog && waited->elapsed() < 10000)
            return;
        timer->stop();
        timer->deleteLater();
        delete waited;
        if (dialog)
            action(*dialog);
    });
    timer->start(5);
}

template <typename T>
T* Control(QDialog& dialog, const char* name)
{
    return dialog.findChild<T*>(QString::fromLatin1(name));
}

// Types the text as key presses, one character each; unlike QTest::keyClicks it takes any letter.
inline void TypeText(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}
