#pragma once

// What the benchmarks fill their catalogues and document folders with, made the same way
// wherever two benchmarks need the same kind of data.

#include <QByteArray>

class QString;
class TMeral3Database;

// The large catalogue: 100,000 items in 2,000 groups of three levels.
inline constexpr int kCatalogueItems = 100000;
inline constexpr int kCatalogueGroups = 2000;

// Opens a new catalogue file of that name holding the item table only (no groups, no indexes),
// for benchmarks that fill it their own way; the engine is the one beside the benchmark.
void CreateItemTable(TMeral3Database& db, const QString& file);

// Fills an empty catalogue with the large catalogue in one transaction. 20 top-level groups, 380
// below them, 1,600 on the third level; items spread evenly over the groups, so a top-level
// branch (100 groups) holds 5 % of them. Every hundredth designation is a cable: the text
// "kabel" matches 1 %.
void FillLargeCatalogue(TMeral3Database& db);

// Text lines of catalogue words, random binary runs of up to longestBinaryRun bytes and tables
// of numbers, as office documents mix them; the same seed gives the same bytes.
QByteArray OfficeDocument(qsizetype size, unsigned seed, int longestBinaryRun);
