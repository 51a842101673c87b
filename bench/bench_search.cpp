// Finding items by words, on 100,000 items re-read through the record set to the end: the list's
// accent-blind, word-by-word filter against the upper-cased substring filter it replaced, and the
// same filter with the documents' text (2,000 indexed documents) against it without; then the
// PDF extraction child against poppler's own pdftotext on 200 generated PDFs, and the index
// file's size against the text it holds.

#include "data/docstoredigest.h"
#include "data/textfold.h"
#include "search/docmatch.h"
#include "search/extractchild.h"
#include "search/fulltext.h"
#include "sqlite/sql3_table.h"

#include "bench_data.h"
#include "ratio.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int kItems = 100000;

// Every hundredth designation is a cable, so "kabel" matches 1 %; the other texts are Czech.
struct Items {
    QTemporaryDir dir;
    TMeral3Database db;
    TMeral3Table table;

    Items()
    {
        CreateItemTable(db, dir.filePath(QStringLiteral("regalon.db3")));
        db.ExecSQL(QStringLiteral(
            "BEGIN; WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<")
                   + QString::number(kItems)
                   + QStringLiteral(") INSERT INTO MATR SELECT i, i%2000+1,"
                                    " CASE WHEN i%100=7 THEN 'Kabel CYKY '||i ELSE 'Šroub M'||(i%97)||' č. '||i END,"
                                    " 'Nerezový šroub s šestihrannou hlavou, položka '||i,"
                                    " 'Regál '||(i%50), '/home/uživatel/Dokumenty/výkres'||(i%2000)||'.pdf',"
                                    " 'Obsah položky '||i||': před montáží zkontrolujte těsnost spojů.'"
                                    " ||CASE WHEN i%10=3 THEN ' file:///home/u%32/návod'||(i%2000)||'.txt' ELSE '' END FROM n;"
                                    " COMMIT;"));
        table.SetDatabase(&db);
        table.SetTableName(QStringLiteral("MATR"));
        table.Open();
    }
    // Re-reads the list with the accept rule and fetches it to the end.
    int Filter(const TMeral3Command::TFilterRecord& accept)
    {
        table.SetOnFilterRecord(accept);
        table.SetFiltered(false);
        table.SetFiltered(true);
        table.Last();
        return table.RecordCount();
    }
};

Items& items()
{
    static Items i;
    return i;
}

// The filter's own test: every word in the designation, description or content, folded.
struct TextTest {
    TTextMatcher matcher{u"kabel"};
    TField* fields[3];
    explicit TextTest(TMeral3Command& t)
        : fields{&t.FieldByName("NAZEV"), &t.FieldByName("POPIS"), &t.FieldByName("OBSAH")}
    {
    }
    bool operator()()
    {
        matcher.Start();
        for (TField* field : fields) {
            matcher.FeedCodePage(field->AsBytes());
            if (matcher.AllFound())
                return true;
        }
        return false;
    }
};

const bool filterRatio = bench::AddRatio(
    {"filter-accent-blind",
     "the accent-blind word filter against the upper-cased substring filter, 100,000 items to the end",
     {[] {
          TextTest test(items().table);
          benchmark::DoNotOptimize(items().Filter([&](TMeral3Command&, bool& accept) { accept = test(); }));
      },
      [] { items(); }},
     {[] {
         const QString text = QStringLiteral("KABEL");
         const QLocale locale;
         TMeral3Command& t = items().table;
         TField* fields[] = {&t.FieldByName("NAZEV"), &t.FieldByName("POPIS"), &t.FieldByName("OBSAH")};
         benchmark::DoNotOptimize(items().Filter([&](TMeral3Command&, bool& accept) {
             accept = false;
             for (TField* field : fields)
                 if ((accept = locale.toUpper(field->AsString()).contains(text)))
                     return;
         }));
     },
      [] { items(); }},
     "<=",
     1.3,
     bench::Clock::Cpu,
     9});

// --- The documents -------------------------------------------------------------------------------

constexpr int kDocuments = 2000;

const char* const kWords[] = {"šroub", "matice", "podložka", "ložisko", "těsnění", "pružina", "žárovka", "vypínač",
                              "čerpadlo", "řemen", "hřídel", "převodovka", "ventil", "objímka", "spojka", "čidlo",
                              "jistič", "stykač", "trubka", "kolínko", "příruba", "nerezový", "mosazný", "ocelový",
                              "pozinkovaný", "měděný", "hliníkový", "montáž", "údržba", "záruka", "výkres"};

// 2,000 documents of about 3,000 words each, one in a hundred mentioning cables; every one is the
// main document of 50 items, every 200th a link in the content of 10 more.
struct Index {
    QString file = items().dir.filePath(QStringLiteral("fulltext.db3"));
    TDocumentMatcher matcher{file, items().db.Driver()};
    qint64 textBytes = 0;

    void AddDocuments(TFulltextIndex& index, std::vector<std::pair<QString, QByteArray>>& paths)
    {
        for (int d = 0; d < kDocuments; ++d) {
            QString text;
            for (int w = 0; w < 3000; ++w)
                text += QString::fromUtf8(kWords[(d * 7 + w * 13) % std::size(kWords)]) + u' ';
            if (d % 100 == 11)
                text += QStringLiteral("kabel CYKY 3×1,5");
            const QString path = d % 200 == 3 ? QStringLiteral("/home/u /návod%1.txt").arg(d)
                                              : QStringLiteral("/home/uživatel/Dokumenty/výkres%1.pdf").arg(d);
            const QByteArray digest = Digest(path.toUtf8());
            index.Store(digest, QFileInfo(path).fileName(), {text, {}});
            paths.emplace_back(path, digest);
            textBytes += text.toUtf8().size();
        }
    }

    Index()
    {
        {
            TFulltextIndex index(file, items().db.Driver());
            std::vector<std::pair<QString, QByteArray>> paths;
            AddDocuments(index, paths);
            index.SetPaths(paths);
        }  // closed: the file holds everything
        // The index file against the text it holds: a figure, no target.
        std::printf("index-size %.1f MB for %.1f MB of text (UTF-8) in %d documents: %.2f\n",
                    QFileInfo(file).size() / 1e6, textBytes / 1e6, kDocuments, double(QFileInfo(file).size()) / double(textBytes));
    }
};

Index& documents()
{
    static Index i;
    return i;
}

const bool documentsRatio = bench::AddRatio(
    {"search-documents", "the filter with the documents' text on against it off, 100,000 items, 2,000 documents",
     {[] {
          TDocumentMatcher& matcher = documents().matcher;
          matcher.Forget();  // each filter asks the index once
          matcher.Prepare(QStringLiteral("kabel"));
          TMeral3Command& t = items().table;
          TextTest test(t);
          TField& path = t.FieldByName("PATH_DOK");
          TField& content = t.FieldByName("OBSAH");
          benchmark::DoNotOptimize(items().Filter([&](TMeral3Command&, bool& accept) {
              accept = test() || matcher.Matches(path.AsString(), content.AsBytes(), [&] { return content.AsString(); });
          }));
      },
      [] { documents(); }},
     {[] {
         TextTest test(items().table);
         benchmark::DoNotOptimize(items().Filter([&](TMeral3Command&, bool& accept) { accept = test(); }));
     }},
     "<=",
     1.5,
     bench::Clock::Wall,
     9});

// --- PDF extraction ------------------------------------------------------------------------------

constexpr int kPdfs = 200;

// 200 PDFs of four pages of Czech text, written by Qt's PDF writer.
struct Pdfs {
    QStringList files;
    Pdfs()
    {
        const QString folder = items().dir.filePath(QStringLiteral("pdf"));
        QDir().mkpath(folder);
        for (int f = 0; f < kPdfs; ++f) {
            files << folder + QStringLiteral("/dokument%1.pdf").arg(f);
            QPdfWriter writer(files.back());
            QPainter painter(&writer);
            for (int page = 0; page < 4; ++page) {
                if (page > 0)
                    writer.newPage();
                QString text;
                for (int w = 0; w < 400; ++w)
                    text += QString::fromUtf8(kWords[(f + page * 5 + w * 11) % std::size(kWords)]) + u' ';
                painter.drawText(QRect(0, 0, writer.width(), writer.height()), Qt::TextWordWrap, text);
            }
        }
    }
};

Pdfs& pdfs()
{
    static Pdfs p;
    return p;
}

QByteArray ReadFile(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const bool pdfRatio = bench::AddRatio(
    {"extract-pdf", "200 four-page PDFs through the extraction child against pdftotext, wall time",
     {[] {
          // As an indexing pass does it: one child takes the documents in turn.
          TExtractSession child(TExtractChild(QCoreApplication::applicationDirPath() + QStringLiteral("/regalon-extract"),
                                              {QString::fromLatin1(ExtractOption)}));
          qsizetype chars = 0;
          for (const QString& file : pdfs().files)
              chars += child.Extract(TDocKind::Pdf, ReadFile(file)).Text.size();
          benchmark::DoNotOptimize(chars);
      },
      [] { pdfs(); }},
     {[] {
         qsizetype bytes = 0;
         for (const QString& file : pdfs().files) {
             QProcess pdftotext;
             pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), file, QStringLiteral("-")});
             pdftotext.waitForFinished(-1);
             bytes += pdftotext.readAllStandardOutput().size();
         }
         benchmark::DoNotOptimize(bytes);
     },
      [] { pdfs(); }},
     "<=",
     1.2,
     bench::Clock::Wall,
     5});

}  // namespace
