#include "uDM.h"

#include "backup.h"

#include "docstoredigest.h"

#include "sqlite/sql3_utils.h"
#include "toolkit/programfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

Tdm* dm = nullptr;

namespace {

const QStringList kSchemaScript{
    "CREATE TABLE MATR (",
    "  IDENT INTEGER NOT NULL,",
    "  IDTYP INTEGER,",
    "  NAZEV VARCHAR(32),",
    "  POPIS VARCHAR(64),",
    "  MISTO VARCHAR(32),",
    "  PATH_DOK VARCHAR(255),",
    "  OBSAH TEXT,",
    "  PRIMARY KEY (IDENT)",
    ");",
    "CREATE INDEX IXTYP ON MATR (IDTYP, NAZEV);",
    "CREATE INDEX IXMATR ON MATR (NAZEV,IDTYP);",
    "CREATE INDEX IXPOPIS ON MATR (POPIS);",
    "CREATE INDEX IXMISTO ON MATR (MISTO,POPIS);",
    " ",
    "CREATE TABLE TYPY (",
    "  IDENT INTEGER NOT NULL,",
    "  PARENT INTEGER NOT NULL,",
    "  LEVEL INTEGER NOT NULL,",
    "  NAZEV VARCHAR(32),",
    "  POPIS VARCHAR(64),",
    "  PRIMARY KEY (IDENT)",
    ");",
    "CREATE INDEX IXLEVEL ON TYPY (LEVEL,NAZEV);",
    "",
    "CREATE TABLE DOCS (",
    "  DOCPATH VARCHAR(255) NOT NULL,",
    "  DOCSIZE INTEGER,",
    "  ZIPSIZE INTEGER,",
    "  ZIP BLOB,",
    "  PRIMARY KEY (DOCPATH)",
    ");",
};

// Marks a catalogue whose indexes follow this program's engine order (see RebuildIndexes).
const QString kIndexOrderMark = QStringLiteral("pragma user_version=1");

void MakeFolder(const QString& path, const QString& failure)
{
    if (!QFileInfo(path).isDir() && !QDir().mkdir(path))
        throw Exception(failure + path);
}

}  // namespace

QString RegalonTitle()
{
    return QStringLiteral("Regalon {5C2E9A41-7B03-4F6D-9E18-A2D47B6C0E95}");
}

QString CleanPath(const QString& path)
{
    QString clean = TrimControls(path);
    for (qsizetype i = clean.indexOf(QLatin1String("//")); i >= 0; i = clean.indexOf(QLatin1String("//"), i))
        clean.remove(i, 1);
    return clean;
}

QString WorkPath(const QString& name)
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        return QString();
    QDir().mkpath(base);  // the per-user data folder is made when missing, like the shell's
    const QString work = CleanPath(base + QLatin1Char('/') + RegalonTitle());
    MakeFolder(work, QStringLiteral("Nemohu vytvořit pracovní složku: "));
    MakeFolder(CleanPath(work + QStringLiteral("/DOKUM")), QStringLiteral("Nemohu vytvořit pracovní podsložku: "));
    return CleanPath(work + QLatin1Char('/') + name);
}

Tdm::Tdm() : packWorkers_(std::max(QThread::idealThreadCount(), 1))
{
    DataModuleCreate();
    dm = this;
}

Tdm::~Tdm()
{
    DataModuleDestroy();
    if (dm == this)
        dm = nullptr;
}

void Tdm::DataModuleCreate()
{
    db.SetName(QStringLiteral("db"));
    db.SetMustExists(false);
    exec.SetName(QStringLiteral("exec"));
    exec.SetDatabase(&db);
    dbCreator.SetName(QStringLiteral("dbCreator"));
    dbCreator.SetDatabase(&db);
    dbCreator.SetCommandText(kSchemaScript);
    query.SetName(QStringLiteral("query"));
    query.SetDatabase(&db);

    db.SetDriver(EngineLibraryPath());
    db.SetDatabaseFile(WorkPath(QStringLiteral("regalon.db3")));
    settings_ = std::make_unique<QSettings>(WorkPath(QStringLiteral("regalon.ini")), QSettings::IniFormat);
}

void Tdm::DataModuleDestroy()
{
    settings_.reset();
}

bool Tdm::OpenCatalogue()
{
    db.Open();
    QStringList tables;
    db.GetTableNames(tables, false);
    if (tables.isEmpty()) {
        CreateSchema();
        return db.Connected();
    }
    // Judged before anything is written: a refused catalogue stays byte for byte as it was.
    try {
        CheckCatalogueColumns(db, QStringLiteral("Katalog nelze otevřít!"));
    } catch (const Exception&) {
        db.Close();
        throw;
    }
    if (db.GetPragma(QStringLiteral("user_version")) == QLatin1String("0"))
        RebuildIndexes();
    return db.Connected();
}

bool Tdm::CreateSchema()
{
    WorkGuard work(*this);
    dbCreator.Execute();
    db.ExecSQL(kIndexOrderMark);
    work.Commit();
    return true;
}

// A catalogue written by an older engine keeps its text indexes in locale order, which this
// engine's binary comparison would search wrongly; rebuild them once and mark the file.
void Tdm::RebuildIndexes()
{
    WorkGuard work(*this);
    db.ExecSQL(QStringLiteral("REINDEX"));
    db.ExecSQL(kIndexOrderMark);
    work.Commit();
}

void Tdm::BeginWork()
{
    db.StartTransaction(tmDefault);
}

void Tdm::CommitWork()
{
    db.Commit();
}

void Tdm::RollbackWork()
{
    db.Rollback();
}

std::unique_ptr<TMeral3Exec> Tdm::NewExec(const QString& commandText)
{
    auto executor = std::make_unique<TMeral3Exec>(&db);
    executor->SetCommandText(commandText);
    return executor;
}
