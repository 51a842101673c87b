#pragma once

// A write refused because another program holds the catalogue locked longer than the busy
// timeout. It is told as such, in Czech, without offering to end the program: nothing is damaged
// and the same step may be tried again a moment later.

#include "sqlite/errors.h"

class QWidget;

// True for the engine's lock errors ("database is locked", "database table is locked").
bool IsLockedError(const Exception& error);

// The box for a write that failed for a lock: what failed (as "Uložení se nezdařilo!"), why, what
// the user may do, and the engine's own text below.
void ShowLockedWrite(QWidget* owner, const QString& failed, const QString& advice, const Exception& error);
