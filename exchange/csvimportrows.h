#pragma once

// The import's shared steps for the check and the run: one record made into the values of an
// item, and the group paths found or created.

#include "csvimport.h"

#include <QHash>

#include <array>
#include <vector>

struct ImportRow {
    std::array<QString, kImportTargetCount> values;  // by ImportTarget; Group and Ident unused
    QStringList groupPath;  // names from the top; empty: the target group
    qint64 ident = 0;       // the "Číslo" given; 0 when none
    bool faulty = false;    // a value did not fit
    bool refused = false;   // the row is not imported under the choice
    bool groupOnly = false; // names only a group: how an export carries an empty group

    const QString& Value(ImportTarget target) const { return values[size_t(target)]; }
};

// The row of one record, after the formula guard is taken off and the choice applied. Appends
// a problem for every value that does not fit as it stands.
ImportRow PrepareRow(const QStringList& fields, qint64 line, const ImportSettings& settings,
                     std::vector<ImportProblem>& problems);

// Finds the group of a path, name by name: first a group of exactly that name, then one the tree
// takes for the same name (letter case ignored, as its order compares), else a new group. So two
// sibling groups whose names differ only in letter case come back as one.
class GroupResolver {
public:
    // Without a catalogue (db null) nothing is found and nothing written.
    GroupResolver(TMeral3Database* db, bool write);
    qint64 Resolve(const QStringList& path);
    qint64 Created() const { return created_; }

private:
    struct Group {
        qint64 ident;
        QString name;
    };
    qint64 Child(qint64 parent, int level, const QString& name);

    TMeral3Database* db_;
    bool write_;
    QHash<qint64, std::vector<Group>> children_;
    qint64 next_ = 1;
    qint64 created_ = 0;
};
