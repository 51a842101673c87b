#pragma once

// The one guard every command runs through. Qt does not carry C++ exceptions through its event
// loop, so slots, event overrides and dialog actions run their bodies in Guarded(), which hands an
// error to the installed error handler (the main window's AppException).

#include "sqlite/errors.h"

#include <functional>

// Raised only to abandon an operation quietly: the guard lets it pass without a message.
class EAbort : public Exception {
public:
    EAbort() : Exception(QStringLiteral("Operation aborted")) {}
};

using TErrorHandler = std::function<void(const Exception&)>;

// The handler every guarded error reaches; without one the error is shown in a plain "Chyba" box.
void SetErrorHandler(TErrorHandler handler);
bool HasErrorHandler();
// Hands an error to the handler (or the fallback box), except a silent abort; never throws.
void HandleError(const Exception& error);

// Runs the body; an Exception or std::exception it raises goes to the error handler.
void Guarded(const std::function<void()>& body);

// A slot for connect(): runs the member through Guarded, whatever the signal carries.
template <typename T>
auto GuardedSlot(T* object, void (T::*member)())
{
    return [object, member](auto&&...) { Guarded([object, member] { (object->*member)(); }); };
}
