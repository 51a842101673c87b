// Backup, restore, storing and opening a document, each with a failure at every file call in turn
// (sampled evenly unless REGALON_FULL_SWEEP is set): the catalogue stays sound, every row and every
// target is its old or its new self, and a run that did not reach the new state reports a failure.

#include "catalogue.h"
#include "data/backup.h"
#include "data/bz2.h"
#include "tests/faults/faults.h"
#include "toolkit/messagebox.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QScopeGuard>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QByteArray Document(char letter, int size) { return QByteArray(size, letter) + "konec"; }

// The rows of a catalogue file as text, read on a connection of their own; "" when it is unsound.
QString Contents(const QString& file)
{
    try {
        TMeral3Database db;
        db.SetDriver(EngineLibraryPath());
        db.SetDatabaseFile(file);
        db.SetMustExists(true);
        db.Open();
        if (ColumnOf(db, "PRAGMA integrity_check") != QStringList{"ok"})
            return {};
        return (ColumnOf(db, "SELECT IDENT||'|'||NAZEV||'|'||PATH_DOK FROM MATR ORDER BY IDENT")
                + ColumnOf(db, "SELECT DOCPATH||'|'||DOCSIZE||'|'||hex(ZIP) FROM DOCS ORDER BY DOCPATH"))
            .join('\n');
    } catch (const Exception&) {
        return {};
    }
}

// One operation: Prepare builds the state before it, Act runs it (true: it reported success),
// Judge says whether what it left is the old state, the new one or neither.
enum class State { Old, New, Lost };
struct Operation {
    const char* Name;
    std::function<void(TempWorkFolder&, Tdm&)> Prepare;
    std::function<bool(TempWorkFolder&, Tdm&)> Act;
    std::function<State(TempWorkFolder&, Tdm&)> Judge;
};

struct Tally {
    int64_t Calls = 0;
    int Faults = 0;
    int Lost = 0;
    int FalseSuccess = 0;
};

class Sweep {
public:
    explicit Sweep(const Operation& operation) : operation_(operation) {}

    Tally Run()
    {
        Tally tally;
        tally.Calls = Once({});
        const bool full = qEnvironmentVariableIsSet("REGALON_FULL_SWEEP");
        const int64_t samples = full ? tally.Calls : std::min<int64_t>(tally.Calls, 12);
        for (int64_t i = 1; i <= samples; ++i) {
            const int64_t nth = full ? i : 1 + (i - 1) * tally.Calls / samples;
            for (const int error : {EIO, ENOSPC})
                for (const bool persistent : {false, true})
                    Count(tally, faults::NthCall(nth, error, persistent));
        }
        return tally;
    }

private:
    // Runs the operation once under the plan and gives the calls it made.
    int64_t Once(const faults::Plan& plan, bool* succeeded = nullptr, State* state = nullptr)
    {
        TempWorkFolder folder;
        Tdm data;
        MessageBoxAnswers::Reset();
        operation_.Prepare(folder, data);
        bool ok = false;
        faults::Start(plan);
        try {
            ok = operation_.Act(folder, data);
        } catch (const Exception&) {
            ok = false;
        }
        const int64_t calls = faults::Stop();
        fired_ = faults::Fired();
        if (succeeded)
            *succeeded = ok;
        if (state)
            *state = operation_.Judge(folder, data);
        return calls;
    }

    void Count(Tally& tally, const faults::Plan& plan)
    {
        bool succeeded = false;
        State state = State::Lost;
        Once(plan, &succeeded, &state);
        if (!fired_)
            return;
        ++tally.Faults;
        if (state == State::Lost) {
            ++tally.Lost;
            ADD_FAILURE() << operation_.Name << " lost data at call " << plan.Nth;
        }
        if (succeeded && state != State::New) {
            ++tally.FalseSuccess;
            ADD_FAILURE() << operation_.Name << " reported success at failed call " << plan.Nth;
        }
    }

    const Operation& operation_;
    bool fired_ = false;
};

void AddItem(Tdm& data, int ident, const QString& path)
{
    data.db.ExecSQL(QString("INSERT INTO MATR (IDENT, IDTYP, NAZEV, PATH_DOK) VALUES(%1, 0, 'položka %1', '%2')")
                        .arg(ident)
                        .arg(path));
}

QString Catalogue(TempWorkFolder& folder) { return folder.WorkFolder() + "/regalon.db3"; }
QString DocPath(TempWorkFolder& folder) { return folder.File("docs/a.txt"); }

// What the stored row of the document unpacks to; "" without a row, "<damaged>" when it does not unpack.
QByteArray StoredDocument(const QString& catalogue, const QString& path)
{
    TMeral3Database db;
    db.SetDriver(EngineLibraryPath());
    db.SetDatabaseFile(catalogue);
    db.SetMustExists(true);
    db.Open();
    const auto rows = ColumnOf(db, "SELECT count(*) FROM DOCS WHERE DOCPATH='" + path + "'");
    if (rows.value(0) != "1")
        return {};
    const QStringList hex = ColumnOf(db, "SELECT hex(ZIP) FROM DOCS WHERE DOCPATH='" + path + "'");
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    try {
        UnpackBlob(QByteArray::fromHex(hex.value(0).toLatin1()), out, nullptr);
    } catch (const Exception&) {
        return "<damaged>";
    }
    return out.data();
}

// Each operation keeps what it expects before and after in the texts it shares with its judge.
struct Expected {
    QString Old;
    QString New;
};

// The earlier backup holds one item; the live catalogue two and a document still to pack.
Operation BackupOperation()
{
    auto expected = std::make_shared<Expected>();
    return {"backup",
            [expected](TempWorkFolder& folder, Tdm& data) {
                data.OpenCatalogue();
                AddItem(data, 1, "");
                QString error;
                QDir().mkpath(folder.File("backups"));
                if (!CopyFileReplacing(Catalogue(folder), folder.File("backups/a.bak"), error))
                    throw Exception(error);
                expected->Old = Contents(folder.File("backups/a.bak"));
                AddItem(data, 2, folder.WriteFile("docs/a.txt", Document('a', 30000)));
            },
            [](TempWorkFolder& folder, Tdm& data) {
                const QString target = folder.File("backups/a.bak");
                SetFileDialogAnswerer([target](const TFileDialog&) { return target; });
                const auto reset = qScopeGuard([] { SetFileDialogAnswerer({}); });
                TMeral3Table items;
                items.SetDatabase(&data.db);
                items.SetTableName("MATR");
                items.Open();
                return data.BackupDatabase(items, {});
            },
            [expected](TempWorkFolder& folder, Tdm& data) {
                data.db.Close();
                const QString live = Contents(Catalogue(folder));
                const QByteArray stored = StoredDocument(Catalogue(folder), DocPath(folder));
                if (!live.contains("položka 2") || (!stored.isEmpty() && stored != Document('a', 30000)))
                    return State::Lost;
                const QString target = Contents(folder.File("backups/a.bak"));
                if (target == expected->Old)
                    return State::Old;
                return target == live && !stored.isEmpty() ? State::New : State::Lost;
            }};
}

// The live catalogue has an item more than the backup restored over it.
Operation RestoreOperation()
{
    auto expected = std::make_shared<Expected>();
    return {"restore",
            [expected](TempWorkFolder& folder, Tdm& data) {
                data.OpenCatalogue();
                AddItem(data, 1, "");
                QString error;
                QDir().mkpath(folder.File("backups"));
                if (!CopyFileReplacing(Catalogue(folder), folder.File("backups/b.bak"), error))
                    throw Exception(error);
                expected->New = Contents(folder.File("backups/b.bak"));
                AddItem(data, 2, "");
                expected->Old = Contents(Catalogue(folder));
                data.dlgRestore.SetFileName(folder.File("backups/b.bak"));
            },
            [](TempWorkFolder&, Tdm& data) { return data.RestoreDatabase(); },
            [expected](TempWorkFolder& folder, Tdm& data) {
                data.db.Close();
                const QString live = Contents(Catalogue(folder));
                if (Contents(folder.File("backups/b.bak")) != expected->New)
                    return State::Lost;
                return live == expected->Old ? State::Old : live == expected->New ? State::New : State::Lost;
            }};
}

// The document changed on disk since its row was stored.
Operation StoreOperation()
{
    return {"store",
            [](TempWorkFolder& folder, Tdm& data) {
                data.OpenCatalogue();
                data.StoreDocument(folder.WriteFile("docs/a.txt", Document('o', 20000)));
                folder.WriteFile("docs/a.txt", Document('n', 25000));
            },
            [](TempWorkFolder& folder, Tdm& data) { return data.StoreDocument(DocPath(folder)); },
            [](TempWorkFolder& folder, Tdm& data) {
                data.db.Close();
                if (Contents(Catalogue(folder)).isEmpty())
                    return State::Lost;
                const QByteArray stored = StoredDocument(Catalogue(folder), DocPath(folder));
                return stored == Document('o', 20000) ? State::Old
                    : stored == Document('n', 25000)  ? State::New
                                                      : State::Lost;
            }};
}

// The document is gone from its folder and an older copy lies in "DOKUM".
Operation OpenOperation()
{
    return {"open",
            [](TempWorkFolder& folder, Tdm& data) {
                data.OpenCatalogue();
                data.StoreDocument(folder.WriteFile("docs/a.txt", Document('n', 25000)));
                QFile::remove(DocPath(folder));
                folder.WriteFile(folder.WorkFolder().mid(folder.File("").size()) + "/DOKUM/a.txt", "starší kopie");
            },
            [](TempWorkFolder& folder, Tdm& data) { return !data.GetDocument(DocPath(folder)).isEmpty(); },
            [](TempWorkFolder& folder, Tdm& data) {
                data.db.Close();
                if (Contents(Catalogue(folder)).isEmpty())
                    return State::Lost;
                const QByteArray copy = ReadAll(folder.WorkFolder() + "/DOKUM/a.txt");
                return copy == "starší kopie" ? State::Old : copy == Document('n', 25000) ? State::New : State::Lost;
            }};
}

}  // namespace

TEST(FaultSweep, EveryFailedFileCallLeavesTheOldOrTheNewStateAndIsReported)
{
    const Operation operations[] = {BackupOperation(), RestoreOperation(), StoreOperation(), OpenOperation()};
    const bool table = qEnvironmentVariableIsSet("REGALON_SWEEP_TABLE");
    if (table)
        std::printf("%-10s %8s %8s %8s %8s\n", "operation", "calls", "faults", "lost", "false-ok");
    for (const Operation& operation : operations) {
        const Tally tally = Sweep(operation).Run();
        if (table)
            std::printf("%-10s %8lld %8d %8d %8d\n", operation.Name, static_cast<long long>(tally.Calls), tally.Faults,
                        tally.Lost, tally.FalseSuccess);
    }
}
