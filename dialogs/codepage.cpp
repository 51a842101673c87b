#include "codepage.h"

#include "sqlite/errors.h"
#include "sqlite/sql3_utils.h"

void CheckCodePage(const QString& text, const QString& boxName)
{
    if (!FitsCodePage(text))
        throw Exception(boxName + QStringLiteral(" obsahuje znaky, které katalog nedokáže uložit: ") + u'"' + text
                        + u'"');
}
