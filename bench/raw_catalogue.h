#pragma once

// The raw sides of the catalogue benchmarks: the engine's C API on a catalogue file, read-only,
// with the program's own NATIVE comparison installed so that both sides sort alike, and the texts
// decoded from Windows-1250 as the program must decode them.

#include <QString>

#include <functional>

struct sqlite3;
struct sqlite3_stmt;
class QTreeWidget;

class RawCatalogue {
public:
    explicit RawCatalogue(const QString& file);
    ~RawCatalogue();
    RawCatalogue(const RawCatalogue&) = delete;
    RawCatalogue& operator=(const RawCatalogue&) = delete;

    // Steps the statement and hands every row to row until it answers false; answers the rows handed.
    int Select(const QByteArray& sql, const std::function<bool(sqlite3_stmt*)>& row) const;
    // The group tree's rows in its order, each node under its parent in a bare tree, expanded.
    int LoadTree(QTreeWidget& tree) const;

private:
    sqlite3* db_ = nullptr;
};

QString ColumnText(sqlite3_stmt* statement, int column);
