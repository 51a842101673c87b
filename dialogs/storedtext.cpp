#include "storedtext.h"

#include "data/uDM.h"
#include "toolkit/fieldbinding.h"

#include <QStringList>

void ShowStoredTexts(const QString& table, qint64 ident, const std::vector<TFieldBinding*>& bindings)
{
    QStringList columns;
    for (const TFieldBinding* binding : bindings)
        columns << binding->FieldName();
    const auto row = dm->NewQuery(QStringLiteral("SELECT %1 FROM %2 WHERE IDENT=:ident").arg(columns.join(u','), table));
    for (const QString& column : columns)
        row->CreateField(column, ftMemo);  // a memo keeps text of any length
    row->ParamByName(QStringLiteral("ident")).SetAsLargeInt(ident);
    row->Open();
    if (!row->IsEmpty())
        for (TFieldBinding* binding : bindings)
            binding->ShowWhole(row->FieldByName(binding->FieldName()).AsString());
    row->Close();
}
