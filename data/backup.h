#pragma once

// Backup and restore of the catalogue file, and the file dialogs they ask.
//
// The operations are members of the data module (data/uDM.h):
// - CheckDocuments(items): the DOCPATH of every DOCS row that no item refers to, by its main
//   document or a file link of its content. Letter case and "/" against "\" do not count, so no
//   row that an item names in any spelling is ever listed. Writes the referenced paths to
//   "doclist.txt" and, when there are orphans, those to "undefined.txt" in the work folder.
// - BackupDatabase(items, callback): asks dlgBackup for the file (false when cancelled), deletes
//   the orphans, stores every referenced document again, compacts the database and copies its
//   file. The callback is asked at each step and before each document; "stop" raises one of the
//   "Záloha byla přerušena!" errors. The item record set ends open on its first row with its
//   filter state as before, also when an error passes.
// - RestoreDatabase(): copies the file chosen in dlgRestore over the database file and reopens
//   it. A file that is not a catalogue, or a copy that fails, raises "Obnova se nezdařila!" and
//   leaves the live catalogue as it was, open.

#include "sqlite/errors.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

class QIODevice;
class QWidget;
class Tdm;

// A save or open dialog for backup files: filter "Backup files (*.bak)", default suffix "bak",
// no overwrite question, no insisting on an existing file.
class TFileDialog {
public:
    enum TKind { fdSave, fdOpen };
    explicit TFileDialog(TKind kind) : kind_(kind) {}

    TKind Kind() const { return kind_; }
    static QString Filter() { return QStringLiteral("Backup files (*.bak)"); }
    static QString DefaultExt() { return QStringLiteral("bak"); }
    const QString& InitialDir() const { return initialDir_; }
    void SetInitialDir(const QString& folder) { initialDir_ = folder; }
    // Before Execute the proposed name; after a confirmed Execute the chosen full path.
    const QString& FileName() const { return fileName_; }
    void SetFileName(const QString& name) { fileName_ = name; }

    // Shows the dialog over owner; false when the user cancels. A name typed without a suffix
    // gets ".bak".
    bool Execute(QWidget* owner);

private:
    TKind kind_;
    QString initialDir_;
    QString fileName_;
};

// Tests answer the file dialogs instead of showing them: the answerer sees the dialog as set up
// and returns the chosen path, or nothing for cancel. An empty answerer shows the real dialogs.
using TFileDialogAnswerer = std::function<std::optional<QString>(const TFileDialog& dialog)>;
void SetFileDialogAnswerer(TFileDialogAnswerer answerer);

// "Regalon_" + YYYYMMDD-HHNN + ".bak" for the local time given.
QString DefaultBackupName(const QDateTime& when);

// The catalogue did not open again after a backup or restore: the connection stays closed until
// ReopenCatalogue succeeds. Done tells whether the backup or restore itself was carried out.
class EReopenFailed : public Exception {
public:
    EReopenFailed(const QString& message, bool done) : Exception(message), done_(done) {}
    bool Done() const { return done_; }

private:
    bool done_;
};

// Another try at opening the catalogue after EReopenFailed, raising it again while the fault stays.
void ReopenCatalogue(Tdm& data);

// The catalogue is open but its item list could not be read again (another program's lock
// outlasting the wait); the reason, when there is one, on the line below.
QString ListNotReadText(const QString& reason);

class TMeral3Database;
// Raises the failure text with the reason when the catalogue lacks a column the program reads or
// holds one in a form it cannot read; reads only.
void CheckCatalogueColumns(TMeral3Database& db, const QString& failure);

// Copies into a temporary file in the target's folder, flushes it to disk and renames it over the
// target, so a copy that fails at any point leaves the file that was there untouched. False with
// the reason (naming the file) in error.
bool CopyFileReplacing(const QString& source, const QString& target, QString& error);
// The same from an open device, read from its current position to its end.
bool CopyToFile(QIODevice& source, const QString& target, QString& error);
