#include "labeldata.h"

#include "data/uDM.h"
#include "reports/labelcode.h"
#include "reports/rpCommon.h"
#include "sqlite/sql3_utils.h"

#include <QHash>
#include <QSet>

#include <functional>

namespace {

// Runs `visit` on every row, the views still, back on the former row afterwards.
void ForEachRow(TMeral3Command& items, const std::function<void()>& visit)
{
    KeepingRecordSetRow(items, [&] {
        for (items.First(); !items.Eof(); items.Next())
            visit();
    });
}

TLabel ItemLabel(TMeral3Command& items, const QHash<qint64, QString>& paths)
{
    const TField& group = items.FieldByName(QStringLiteral("IDTYP"));
    const QString place = TrimControls(items.FieldByName(QStringLiteral("MISTO")).AsString());
    return {ItemLabelCode(items.FieldByName(QStringLiteral("IDENT")).AsLargeInt()),
            TrimControls(items.FieldByName(QStringLiteral("NAZEV")).AsString()),
            place.isEmpty() && !group.IsNull() ? paths.value(group.AsLargeInt()) : place};
}

}  // namespace

QHash<qint64, QString> GroupPaths(Tdm& data)
{
    struct Group {
        qint64 parent;
        QString name;
    };
    QHash<qint64, Group> groups;
    const auto query = data.NewQuery(QStringLiteral("SELECT IDENT, PARENT, NAZEV FROM TYPY"));
    query->Open();
    for (query->First(); !query->Eof(); query->Next())
        groups.insert(query->Fields()[0].AsLargeInt(),
                      {query->Fields()[1].AsLargeInt(), TrimControls(query->Fields()[2].AsString())});
    QHash<qint64, QString> paths;
    for (auto it = groups.cbegin(); it != groups.cend(); ++it) {
        QStringList names{it->name};
        // A damaged tree may hold a cycle; no path is longer than the number of groups.
        for (auto up = groups.constFind(it->parent); up != groups.cend() && names.size() <= groups.size();
             up = groups.constFind(up->parent))
            names.prepend(up->name);
        paths.insert(it.key(), names.join(QStringLiteral(" / ")));
    }
    return paths;
}

std::vector<TLabel> ItemLabels(TMeral3Command& items, Tdm& data)
{
    const QHash<qint64, QString> paths = GroupPaths(data);
    std::vector<TLabel> labels;
    ForEachRow(items, [&] { labels.push_back(ItemLabel(items, paths)); });
    return labels;
}

std::vector<TLabel> CurrentItemLabel(TMeral3Command& items, Tdm& data)
{
    if (items.IsEmpty())
        return {};
    return {ItemLabel(items, GroupPaths(data))};
}

std::vector<TLabel> AllItemLabels(Tdm& data)
{
    const auto items = data.NewQuery(
        QStringLiteral("SELECT IDENT, IDTYP, NAZEV, MISTO FROM MATR ORDER BY NAZEV COLLATE NATIVE, IDENT"));
    items->Open();
    return ItemLabels(*items, data);
}

QStringList PlacesOfItems(TMeral3Command& items, Tdm& data)
{
    QSet<QString> used;
    ForEachRow(items, [&] { used.insert(LabelPlaceKey(items.FieldByName(QStringLiteral("MISTO")).AsString())); });
    QStringList places;
    data.ListPlaces(places);
    QStringList listed;
    for (const QString& place : places)
        if (used.remove(LabelPlaceKey(place)))  // once: the list may hold "A" and "a " apart
            listed << place;
    return listed;
}

std::vector<TLabel> PlaceLabels(const QStringList& places)
{
    std::vector<TLabel> labels;
    QSet<QString> done;
    for (const QString& place : places) {
        // Places apart only in letter case or trailing blanks share one code, so one label.
        if (!done.contains(LabelPlaceKey(place)) && !TrimControls(place).isEmpty()) {
            done.insert(LabelPlaceKey(place));
            labels.push_back({PlaceLabelCode(place), TrimControls(place), QStringLiteral("Místo uložení")});
        }
    }
    return labels;
}
