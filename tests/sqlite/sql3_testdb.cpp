#include "sql3_testdb.h"

#include "sqlite/sql3_simpletable.h"

QStringList ColumnOf(TMeral3Database& db, const QString& sql)
{
    TMeral3SimpleTable reader(&db);
    reader.Open(sql);
    QStringList values;
    if (!reader.IsEmpty())
        for (int r = 0; r < reader.RowCount(); ++r)
            values << reader.Cell(0, r);
    return values;
}
