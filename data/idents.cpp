// New identifiers, item moves and the list of places: small services of the data module.

#include "uDM.h"

#include "sqlite/sql3_utils.h"

#include <QScopeGuard>

int Tdm::NewIdent(const QString& tableName)
{
    if (query.Active())
        query.Close();
    const auto closer = qScopeGuard([this] { query.Close(); });  // also when a step fails
    query.SetSQL(QStringLiteral("SELECT max(IDENT) NEWID FROM ") + tableName);
    query.Open();
    query.First();
    if (query.Eof())
        return -1;
    const TField& newId = query.FieldByName(QStringLiteral("NEWID"));
    return newId.IsNull() ? 1 : newId.AsInteger() + 1;
}

bool Tdm::MoveItemToGroup(qint64 item, qint64 group)
{
    try {
        WorkGuard work(*this);
        exec.SetCommandText(QStringLiteral("UPDATE MATR SET IDTYP=%1 WHERE IDENT=%2").arg(group).arg(item));
        exec.Execute();
        work.Commit();
        return true;
    } catch (const Exception&) {
        // A failed move leaves the item where it was; the caller only learns that it failed.
        return false;
    }
}

void Tdm::ListPlaces(QStringList& list)
{
    list.clear();
    // Places differing only in letter case are one place, listed in the user's language order.
    const auto places = NewQuery(QStringLiteral(
        "SELECT DISTINCT MISTO COLLATE NATIVE AS MISTO FROM MATR ORDER BY MISTO COLLATE NATIVE"));
    places->CreateField(QStringLiteral("MISTO"), ftMemo);  // whole, also when longer than the column
    places->Open();
    for (places->First(); !places->Eof(); places->Next()) {
        const QString place = TrimControls(places->Fields()[0].AsString());
        if (!place.isEmpty())
            list.append(place);
    }
}
