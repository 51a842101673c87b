#pragma once

// Qt does not carry exceptions through its event loop: toolkit pieces that drive the data layer
// from a signal catch its errors and hand them to this hook (the application's error handler).
// Without a hook the error is printed as a warning.

#include "sqlite/errors.h"

#include <QtGlobal>

#include <functional>

using TErrorHook = std::function<void(const Exception&)>;

inline void ReportToHook(const TErrorHook& hook, const Exception& error)
{
    if (hook)
        hook(error);
    else
        qWarning("%s", error.what());
}
