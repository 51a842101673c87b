#pragma once

// CSV export of items: the listed ones or the whole catalogue, with the group path as the item
// dialog shows it ("A > B > C").

#include "csvdialect.h"
#include "csvreader.h"

#include <QHash>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include <functional>

class TMeral3Database;

// The column headers of an export, in order; an import recognises them.
enum CsvColumn { ccGroup, ccName, ccDescription, ccPlace, ccDocument, ccContent, ccIdent, ccColumnCount };
QStringList CsvHeader();

inline const QString kGroupPathSeparator = QStringLiteral(" > ");

// The paths of every group of TYPY, read once. A damaged tree whose parents run in a circle ends
// the path where it would repeat.
class GroupPaths {
public:
    explicit GroupPaths(TMeral3Database& db);
    QString Path(qint64 group) const;  // empty for no group or a missing one
    QList<qint64> Groups() const { return groups_.keys(); }

private:
    struct Group {
        qint64 parent;
        QString name;
    };
    QHash<qint64, Group> groups_;
    mutable QHash<qint64, QString> paths_;  // each group's path is built once
};

struct ExportItem {
    qint64 ident = 0;
    qint64 group = 0;
    QString name, description, place, document, content;
};

// Writes the header, then one record per item.
class CsvExport {
public:
    CsvExport(TMeral3Database& db, QIODevice& out, CsvDialect dialect);
    void Add(const ExportItem& item);
    // A record naming only a group: how an empty group travels.
    void AddGroup(qint64 group);
    void Finish() { writer_.Finish(); }

private:
    GroupPaths paths_;
    CsvWriter writer_;
};

// Every item (by identifier), then every group that holds no item, so that the tree comes back
// whole. Answers the items written.
qint64 ExportCatalogue(TMeral3Database& db, QIODevice& out, CsvDialect dialect, const CsvProgress& progress = {});

// Writes the file through a temporary file beside it, renamed over the target only when all was
// written: a failed export leaves no half file and keeps the file that was there. Raises a Czech
// error naming the file and the reason (a full disk says so).
void SaveCsvFile(const QString& fileName, const std::function<void(QIODevice&)>& write);
