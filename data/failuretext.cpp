#include "failuretext.h"

namespace {

struct TAdvice {
    const char* Reason;  // the engine's words, as it says them
    const char* Advice;
};

constexpr TAdvice kAdvice[] = {
    {"database is locked", "Katalog právě používá jiný program. Počkejte chvíli a zkuste to znovu."},
    {"database or disk is full", "Na disku není místo. Uvolněte místo a zkuste to znovu."},
    {"attempt to write a readonly database",
     "Katalog nelze zapisovat (jen pro čtení nebo nahrazený jiným programem). Zavřete program a spusťte ho znovu."},
    {"database disk image is malformed", "Katalog je poškozen. Obnovte ho ze zálohy (Obnova dat)."},
    {"disk I/O error", "Chyba čtení nebo zápisu disku. Zkontrolujte disk a zkuste to znovu."},
};

}  // namespace

QString FailureText(const QString& whatFailed, const QString& reason)
{
    for (const TAdvice& advice : kAdvice)
        if (reason.contains(QLatin1String(advice.Reason), Qt::CaseInsensitive))
            return whatFailed + QLatin1Char(' ') + QString::fromUtf8(advice.Advice) + QLatin1Char('\n') + reason;
    return reason.isEmpty() ? whatFailed : whatFailed + QLatin1Char('\n') + reason;
}
