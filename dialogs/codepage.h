#pragma once

// The last check before a dialog writes typed text: the bound boxes already refuse characters
// that the catalogue's Windows-1250 code page cannot hold, but text can also arrive by other ways
// (set by the program, dropped in). Raises a Czech error naming the box when the text does not fit.

#include <QString>

void CheckCodePage(const QString& text, const QString& boxName);
