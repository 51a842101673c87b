#include "raw_catalogue.h"

#include "sqlite/sql3_api.h"
#include "sqlite/sql3_utils.h"

#include <QHash>
#include <QTreeWidget>

#include <sqlite3.h>

#include <stdexcept>

RawCatalogue::RawCatalogue(const QString& file)
{
    if (sqlite3_open_v2(file.toUtf8().constData(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK
        || sqlite3_create_collation(db_, "NATIVE", SQLITE_UTF8, const_cast<TCodePageOrder*>(&NativeCodePageOrder()),
                                    NativeCompareCodePage) != SQLITE_OK) {
        const std::string message = sqlite3_errmsg(db_);
        sqlite3_close(db_);
        throw std::runtime_error(message);
    }
}

RawCatalogue::~RawCatalogue() { sqlite3_close(db_); }

int RawCatalogue::Select(const QByteArray& sql, const std::function<bool(sqlite3_stmt*)>& row) const
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.constData(), int(sql.size()), &statement, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db_));
    int rows = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        ++rows;
        if (!row(statement))
            break;
    }
    sqlite3_finalize(statement);
    return rows;
}

int RawCatalogue::LoadTree(QTreeWidget& tree) const
{
    tree.clear();
    QHash<int, QTreeWidgetItem*> nodes;
    const int rows = Select("SELECT IDENT, PARENT, NAZEV, POPIS FROM TYPY ORDER BY LEVEL, NAZEV COLLATE NATIVE",
                            [&](sqlite3_stmt* statement) {
                                QTreeWidgetItem* parent = nodes.value(sqlite3_column_int(statement, 1));
                                const QStringList name{ColumnText(statement, 2)};
                                auto* node = parent ? new QTreeWidgetItem(parent, name) : new QTreeWidgetItem(&tree, name);
                                node->setData(0, Qt::UserRole, ColumnText(statement, 3));
                                nodes.insert(sqlite3_column_int(statement, 0), node);
                                return true;
                            });
    tree.expandAll();
    return rows;
}

QString ColumnText(sqlite3_stmt* statement, int column)
{
    return FromCodePage(QByteArrayView(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                                       sqlite3_column_bytes(statement, column)));
}
