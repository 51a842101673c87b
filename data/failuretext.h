#pragma once

// The text of a failed step as the user sees it: what failed, in Czech, with what the user can do,
// and under it the engine's or the system's own words.

#include <QString>

// "Záloha se nezdařila! <advice>" and the reason on the next line. The advice is given for the
// reasons a user can act on (a locked, full, read-only or damaged catalogue, a disk error).
QString FailureText(const QString& whatFailed, const QString& reason);
