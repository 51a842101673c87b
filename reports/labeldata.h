#pragma once

// What each label says: its code, a designation and a smaller second line, gathered from the
// catalogue for items (the second line is the place, or the group path when there is none) and
// for storage places (one label per distinct place, in the catalogue's order of places).

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

class TMeral3Command;
class Tdm;

struct TLabel {
    QString code;   // the code's text (reports/labelcode.h)
    QString title;
    QString detail;
};

// The labels of every row of the record set (fields IDENT, IDTYP, NAZEV, MISTO), in its order.
// Its bound views stay still meanwhile, and it stands on its former row afterwards.
std::vector<TLabel> ItemLabels(TMeral3Command& items, Tdm& data);
// The label of the record set's current row; none when it is empty.
std::vector<TLabel> CurrentItemLabel(TMeral3Command& items, Tdm& data);
// Every item of the catalogue, by designation.
std::vector<TLabel> AllItemLabels(Tdm& data);

// The places of the record set's rows, or every place of the catalogue; in the catalogue's order.
QStringList PlacesOfItems(TMeral3Command& items, Tdm& data);
std::vector<TLabel> PlaceLabels(const QStringList& places);

// The group paths ("Elektro / Kabely") by group identifier.
QHash<qint64, QString> GroupPaths(Tdm& data);
