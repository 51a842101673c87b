#pragma once

// CSV import: which column goes where, the check and dry run that reports every value that would
// be refused or changed, and the import itself in one transaction.

#include "csvdialect.h"
#include "csvreader.h"

#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

class TMeral3Database;
class Tdm;

enum class ImportTarget { Ignore, Group, Name, Description, Place, Document, Content, Ident };
inline constexpr int kImportTargetCount = 8;
QString TargetName(ImportTarget target);  // "nepoužít", "Skupina", "Označení", …
// The longest text the target's column takes; 0 when unlimited. For a group path: each name's.
int TargetLimit(ImportTarget target);

// The target of each column, recognised from the header names of an export (letter case ignored).
std::vector<ImportTarget> MappingFromHeader(const QStringList& header);

enum class ImportChoice { Cut, Skip, Stop };  // what happens to a value that does not fit

struct ImportSettings {
    CsvDialect dialect;
    bool header = true;                  // the first record names the columns
    std::vector<ImportTarget> mapping;   // per column; missing columns are ignored
    qint64 targetGroup = 0;              // for rows without a group path (0: no group)
    bool updateByIdent = false;          // a "Číslo" naming an existing item updates it
    bool storeDocuments = false;         // documents are stored as the item dialog stores them
    ImportChoice choice = ImportChoice::Stop;
};

enum class ProblemKind { TooLong, CodePage, EmptyName, BadIdent };

struct ImportProblem {
    qint64 line = 0;
    int column = 0;  // from 1; 0 for the row as a whole
    ImportTarget target = ImportTarget::Ignore;
    ProblemKind kind = ProblemKind::TooLong;
    QString detail;
    QString Text() const;  // "řádek 12, sloupec 3 (Popis): …"
};

struct ImportCheck {
    qint64 rows = 0;          // data records
    qint64 faultyRows = 0;    // rows with a value that does not fit
    qint64 refusedRows = 0;   // rows that would not be imported under the settings' choice
    qint64 unnamedRows = 0;   // rows without a designation: refused under every choice
    qint64 updates = 0;       // rows whose "Číslo" names an existing item (updated when asked)
    qint64 newGroups = 0;     // groups the paths would create
    qint64 problemCount = 0;  // every problem; `problems` keeps the first kMaxKept
    std::vector<ImportProblem> problems;
    static constexpr size_t kMaxKept = 10000;
};

// Reads the whole file and reports what the import would do; writes nothing. Without a
// catalogue (db null) every group counts as new and no item as updated.
ImportCheck CheckImport(TMeral3Database* db, QIODevice& in, const ImportSettings& settings,
                        const CsvProgress& progress = {});

struct ImportResult {
    qint64 added = 0, updated = 0, skipped = 0, groupsCreated = 0;
    QList<qint64> items;  // the items written, in file order
};

// Imports in one transaction of the data module. A problem under ImportChoice::Stop, a cancel
// (CsvCancelled) or any error rolls everything back and passes; nothing is left half written.
ImportResult RunImport(Tdm& data, QIODevice& in, const ImportSettings& settings, const CsvProgress& progress = {});
