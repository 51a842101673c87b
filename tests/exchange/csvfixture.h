#pragma once

// A real catalogue in a temporary work folder for the exchange tests, a fixture catalogue with
// the texts a CSV round trip gets wrong, and snapshots of the catalogue read with SQL.

#include "exchange/csvexport.h"
#include "exchange/csvimport.h"

#include "tests/data/catalogue.h"

#include <QBuffer>

class ExchangeTest : public CatalogueTest {
protected:
    void AddGroup(qint64 ident, qint64 parent, int level, const QString& name);
    void AddItem(qint64 ident, qint64 group, const QString& name, const QString& description = {},
                 const QString& place = {}, const QString& document = {}, const QString& content = {});
    // Three levels of groups, an empty group, an item without a group, and texts with quotes,
    // delimiters, line breaks, formula starts, Czech letters and values at their columns' limits.
    void FillFixture();

    QByteArray Export(CsvDialect dialect = {});
    ImportCheck Check(const QByteArray& bytes, const ImportSettings& settings);
    ImportResult Import(const QByteArray& bytes, const ImportSettings& settings, const CsvProgress& progress = {});
    // Settings as the dialog proposes them: the detected dialect, the mapping from the header.
    ImportSettings Proposed(const QByteArray& bytes);

    // Every group as its path with its LEVEL, sorted.
    QStringList Tree();
    // Every item as "path|designation|description|place|document|content" (NULL as empty), sorted.
    QStringList Items();
    qint64 Count(const QString& table) { return Value(QStringLiteral("SELECT count(*) FROM ") + table).toLongLong(); }
};
