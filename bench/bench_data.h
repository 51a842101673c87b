#pragma once

// What the benchmarks fill their catalogues and document folders with, made the same way
// wherever two benchmarks need the same kind of data.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <functional>

class QString;
class TMeral3Database;
class Tdm;

// A temporary folder that XDG_DATA_HOME points into from its making on, so the benchmark's
// catalogue is its own and never the user's.
class PrivateDataHome {
public:
    PrivateDataHome() { qputenv("XDG_DATA_HOME", dir_.path().toUtf8()); }
    QString Path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

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

// One item of a catalogue filled by FillItems.
struct BenchItem {
    qint64 group = 0;
    QString name, description, place, document, content;
};

// Writes `count` items with the identifiers from `first` on in one transaction, each through the
// access layer's statement with parameters; item(i) makes the i-th, from 0.
void FillItems(Tdm& data, qint64 first, int count, const std::function<BenchItem(int)>& item);

// Text lines of catalogue words, random binary runs of up to longestBinaryRun bytes and tables
// of numbers, as office documents mix them; the same seed gives the same bytes.
QByteArray OfficeDocument(qsizetype size, unsigned seed, int longestBinaryRun);
