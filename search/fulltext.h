#pragma once

// The document text index: an SQLite FTS5 index in its own file of the work folder, a cache
// beside the catalogue. Each stored document is keyed by the digest of its blob, so an unchanged
// document is extracted once, a replaced one (another blob) is extracted again, and a document no
// path refers to any more leaves the index. A missing, damaged or foreign file is made anew; the
// catalogue is never written. One object is one connection: use each from one thread only.

#include "extract.h"
#include "sqlite/sql3_defs.h"

#include <QByteArray>
#include <QString>

#include <vector>

struct TDocumentHit {
    QString Path;     // a DOCS path of a document that matched
    QString Excerpt;  // words around the match, the matching words in [ ]
};

struct TIndexFigures {
    int Documents = 0;  // known digests, failed ones included
    int Failed = 0;
    qint64 TextChars = 0;
};

class TFulltextIndex {
public:
    // Opens (repair: checks, and makes anew when needed) the index file with the SQLite library
    // of `driver`. Without repair a damaged file raises EDatabaseError at the first use.
    TFulltextIndex(const QString& file, const QString& driver, bool repair = true);

    bool WasRebuilt() const { return rebuilt_; }
    bool Knows(const QByteArray& digest);
    // Keeps the text of a document (or, when extraction failed, its name and the failure, so it
    // is never tried again).
    void Store(const QByteArray& digest, const QString& name, const TExtracted& extracted);
    // The paths of the catalogue and their blobs' digests, replacing what was there; documents
    // that no path refers to leave the index.
    void SetPaths(const std::vector<std::pair<QString, QByteArray>>& paths);
    // Paths of the documents holding every word of the filter text (word beginnings, case and
    // diacritics ignored), with an excerpt each.
    std::vector<TDocumentHit> Search(const QString& filterText, int limit = 100'000);
    TIndexFigures Figures();
    QString FailureOf(const QByteArray& digest);  // empty when the document did not fail

    // The FTS5 query for a filter text: every word as a quoted prefix; empty when no word has a
    // letter or digit.
    static QString MatchQuery(const QString& filterText);

private:
    void Open();
    bool Healthy();
    void Create();

    TMeral3Database db_;
    bool rebuilt_ = false;
};
