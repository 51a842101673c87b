#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// Base of every error the program raises; it carries the text the user is shown.
// The catalogue's own Czech failures are raised as this class directly.
class Exception : public std::exception {
public:
    explicit Exception(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}

    const QString& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

// The one error class of the SQLite access layer.
class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};
