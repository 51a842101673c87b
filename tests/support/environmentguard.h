#pragma once

#include <QByteArray>
#include <QtGlobal>

// Sets an environment variable for one scope, or unsets it for a null value; the old state comes
// back at the end of the scope.
class EnvironmentGuard {
public:
    EnvironmentGuard(const char* name, const QByteArray& value)
        : name_(name), previous_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name))
    {
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    ~EnvironmentGuard() { had_ ? qputenv(name_, previous_) : qunsetenv(name_); }
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

private:
    const char* name_;
    QByteArray previous_;
    bool had_;
};
