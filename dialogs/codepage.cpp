#include "codepage.h"

#include "sqlite/errors.h"
#include "sqlite/sql3_utils.h"
#include "toolkit/messagebox.h"

#include <algorithm>

void CheckCodePage(const QString& text, const QString& boxName)
{
    if (FitsCodePage(text))
        return;
    const auto unfit = std::find_if(text.begin(), text.end(), [](QChar c) { return !FitsCodePage(QStringView(&c, 1)); });
    const qsizetype at = unfit - text.begin();
    const QString character = text.mid(at, unfit->isHighSurrogate() ? 2 : 1);
    throw Exception(boxName + QStringLiteral(" obsahuje znaky, které katalog nedokáže uložit, například \"") + character
                    + QStringLiteral("\": \"") + MessageValue(text) + u'"');
}
