#include "guard.h"

#include "messagebox.h"

namespace {

TErrorHandler& ErrorHandler()
{
    static TErrorHandler handler;
    return handler;
}

}  // namespace

void SetErrorHandler(TErrorHandler handler)
{
    ErrorHandler() = std::move(handler);
}

bool HasErrorHandler()
{
    return bool(ErrorHandler());
}

void HandleError(const Exception& error)
{
    if (dynamic_cast<const EAbort*>(&error))
        return;
    try {
        if (ErrorHandler())
            ErrorHandler()(error);
        else
            ShowMessage(nullptr, error.Message(), QStringLiteral("Chyba"), QMessageBox::Critical);
    } catch (const std::exception& e) {
        qWarning("error handler failed: %s (while reporting: %s)", e.what(), error.what());
    }
}

void Guarded(const std::function<void()>& body)
{
    try {
        body();
    } catch (const Exception& e) {
        HandleError(e);
    } catch (const std::exception& e) {
        HandleError(Exception(QString::fromLocal8Bit(e.what())));
    }
}
