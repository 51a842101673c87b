#pragma once

// The last check before a dialog writes typed text: the bound boxes already refuse characters
// that the catalogue's Windows-1250 code page cannot hold, but text can also arrive by other ways
// (set by the program). Raises a Czech error naming the box, the first such character and the
// start of the text when the text does not fit.

#include <QString>

void CheckCodePage(const QString& text, const QString& boxName);
