#pragma once

// The SQLite access layer: the connection and the types shared by every component of the layer.
// The engine is loaded at run time (dlopen); no engine header is included here.

#include "errors.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;
struct Sqlite3Api;  // the bound function table; defined in the layer's private sources

enum TFieldType {
    ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency,
    ftDate, ftTime, ftDateTime, ftBlob, ftMemo, ftGraphic, ftFmtMemo, ftLargeint, ftWideString
};

enum TDefaultCollation { dcNative, dcBinary };
enum TTransIsolation { tiSerializable, tiDirtyRead };
enum TPragmaOption {
    poForeignKeysSupport, poCaseSensitiveLike, poCountChanges, poFullColumnNames, poShortColumnNames,
    poRecursiveTriggers, poAutomaticIndex, poReverseUnorderedSelects, poSecureDelete
};
enum TTransactionMode { tmDefault, tmDeferred, tmImmediate, tmExclusive };

// A set of TPragmaOption values.
class TPragmaOptions {
public:
    TPragmaOptions() = default;
    TPragmaOptions(std::initializer_list<TPragmaOption> options) { for (auto o : options) bits_ |= 1u << o; }
    bool Contains(TPragmaOption o) const { return bits_ & (1u << o); }
    void Include(TPragmaOption o) { bits_ |= 1u << o; }
    void Exclude(TPragmaOption o) { bits_ &= ~(1u << o); }
    bool operator==(const TPragmaOptions&) const = default;

private:
    unsigned bits_ = 0;
};

// A named statement parameter. A null QVariant is the SQL NULL; text is QString, blobs QByteArray,
// integers qint64/int, floats and date-times double (days since 30 December 1899).
struct TParam {
    QString Name;
    TFieldType DataType = ftUnknown;
    QVariant Value;

    bool IsNull() const { return Value.isNull(); }
    void SetAsInteger(int v) { DataType = ftInteger; Value = v; }
    void SetAsLargeInt(qint64 v) { DataType = ftLargeint; Value = v; }
    void SetAsString(const QString& v) { DataType = ftString; Value = v; }
    void SetAsFloat(double v) { DataType = ftFloat; Value = v; }
    void SetAsBlob(const QByteArray& v) { DataType = ftBlob; Value = v; }
    void Clear() { Value = QVariant(); }
};

class TParams {
public:
    TParam& Add(const QString& name, TFieldType type = ftUnknown);
    TParam* FindParam(const QString& name);  // letter case ignored; nullptr when missing
    const TParam* FindParam(const QString& name) const;
    TParam& ParamByName(const QString& name);  // raises "Parameter '%s' not found"
    int Count() const { return int(items_.size()); }
    TParam& operator[](int i) { return items_[size_t(i)]; }
    const TParam& operator[](int i) const { return items_[size_t(i)]; }
    void Clear() { items_.clear(); }

private:
    std::deque<TParam> items_;  // a deque: the reference Add returns stays valid after later Adds
};

struct TIndexDef {
    QString Name;
    QString Fields;  // separated by ";"
    bool Primary = false;
    bool Unique = false;
};
using TIndexDefs = std::vector<TIndexDef>;

// One entry of GetColumnInfo: the column name with flags 1 = primary key part,
// 3 = INTEGER primary key, + 4 = NOT NULL.
struct TColumnInfo {
    QString Name;
    int Flags = 0;
};

// Every component of the layer has an optional name; errors it raises carry "name: " in front.
class TMeral3Component {
public:
    virtual ~TMeral3Component() = default;
    const QString& Name() const { return name_; }
    void SetName(const QString& name) { name_ = name; }

    // Raises EDatabaseError with the component's name in front (when it has one).
    [[noreturn]] void ReportError(const QString& text) const;
    // The engine reads a statement text only up to its first NUL, so a text holding one would run
    // in part and report success: raises instead, naming the position.
    void CheckStatementText(QStringView sql) const;

private:
    QString name_;
};

class TMeral3Database;

// Record sets and simple table readers register with their connection so that a disconnect
// closes them and the connection's destruction drops their reference.
class TMeral3Dependent {
public:
    virtual ~TMeral3Dependent() = default;
    virtual void DatabaseDisconnecting() = 0;  // reader: release the result; record set: close
    virtual void DatabaseDestroyed() = 0;      // forget the connection

protected:
    // Moves this dependent's registration from the connection held in `slot` to `database`
    // (either may be none) and stores `database` in `slot`.
    void SwitchDatabase(TMeral3Database*& slot, TMeral3Database* database);
};

class TMeral3Database : public TMeral3Component {
public:
    using TNotifyEvent = std::function<void(TMeral3Database&)>;

    TMeral3Database();
    ~TMeral3Database() override;
    TMeral3Database(const TMeral3Database&) = delete;
    TMeral3Database& operator=(const TMeral3Database&) = delete;

    // Published properties.
    bool Connected() const { return connected_; }
    void SetConnected(bool value);
    const QString& DatabaseFile() const { return databaseFile_; }
    void SetDatabaseFile(const QString& value);
    TDefaultCollation Collation() const { return collation_; }
    void SetCollation(TDefaultCollation value) { collation_ = value; }
    QString Driver();  // an empty value is stored and read as the platform library name
    void SetDriver(const QString& value);
    bool MustExists() const { return mustExists_; }
    void SetMustExists(bool value) { mustExists_ = value; }
    TPragmaOptions Options() const { return options_; }
    void SetOptions(TPragmaOptions value) { options_ = value; }
    const QString& Params() const { return params_; }
    void SetParams(const QString& value) { params_ = value; }
    TTransIsolation TransIsolation() const { return transIsolation_; }
    void SetTransIsolation(TTransIsolation value) { transIsolation_ = value; }
    const QString& Description() const { return description_; }
    void SetDescription(const QString& value) { description_ = value; }
    // How long a statement waits for a lock another connection holds before it fails with
    // "database is locked"; applied at connecting and at once on an open connection.
    int BusyTimeout() const { return busyTimeoutMs_; }
    void SetBusyTimeout(int milliseconds);

    TNotifyEvent BeforeConnect, AfterConnect, BeforeDisconnect, AfterDisconnect;

    // A connect requested between these two calls is performed by EndLoading.
    void BeginLoading();
    void EndLoading();

    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }

    void ExecSQL(const QString& sql, const TParams* params = nullptr);
    void StartTransaction(TTransactionMode mode = tmDefault);
    void Commit();
    void Rollback();
    bool TransactionActive();
    int Changes();
    qint64 LastInsertRowId();

    void GetTableNames(QStringList& list, bool includeSystemTable);
    void GetObjectNames(const QString& type, QStringList& list, const QString& tableName = QString());
    void GetColumnInfo(std::vector<TColumnInfo>& list, const QString& tableName);
    void GetIndexDefs(TIndexDefs& defs, const QString& tableName);
    QString GetObjectType(const QString& name);
    QString GetPragma(const QString& pragma);
    void CheckConnected(bool failOnly);

    void Attach(TMeral3Dependent* dependent);
    void Detach(TMeral3Dependent* dependent);

    const QString& LibraryVersion() const { return libraryVersion_; }
    bool Utf16() const { return utf16_; }
    int LastResult() const { return lastResult_; }

    // Statement services of the layer (record sets, readers and executors).
    // A failing prepare, bind or step finalizes the statement before raising: a holder passed to
    // StepStatement must be cleared when it raises. Text parameters are copied by the engine, so
    // the returned statement may be stepped after the parameters are gone.
    sqlite3_stmt* RunStatements(const QString& sql, const TParams* params, int& columnCount);
    void StepStatement(sqlite3_stmt* statement);
    void FinalizeStatement(sqlite3_stmt*& holder);
    void CheckResult(sqlite3_stmt* statement);

    // Column readers; each gives a neutral value for a null statement.
    int ColumnCount(sqlite3_stmt* s) const;
    int ColumnType(sqlite3_stmt* s, int column) const;
    int ColumnBytes(sqlite3_stmt* s, int column) const;
    const void* ColumnBlob(sqlite3_stmt* s, int column) const;
    const char* ColumnText(sqlite3_stmt* s, int column) const;       // the stored bytes
    const char16_t* ColumnText16(sqlite3_stmt* s, int column) const;
    int ColumnInteger(sqlite3_stmt* s, int column) const;
    qint64 ColumnLargeInt(sqlite3_stmt* s, int column) const;
    double ColumnFloat(sqlite3_stmt* s, int column) const;
    double ColumnDateTime(sqlite3_stmt* s, int column) const;
    QString ColumnDeclType(sqlite3_stmt* s, int column) const;
    QString ColumnName(sqlite3_stmt* s, int column) const;

    // For the layer's own components (executor, reader).
    sqlite3* Handle() const { return handle_; }
    const Sqlite3Api& Api() const;  // raises "Not connected!" while no library is bound
    // Text as the engine's 8-bit entry points take it for this database: Windows-1250 bytes, or
    // UTF-8 for a UTF-16 database. A character the code page cannot hold raises (with the name).
    QByteArray EncodeText(QStringView text) const;
    // The reverse, for texts the engine hands back (values, names, error messages).
    QString DecodeText(const char* text, int length = -1) const;

private:
    friend class TStatementWalk;    // keeps the last result code of its prepares
    friend class TStatementHolder;  // finalizes quietly while the engine is loaded

    // Defined in the layer's sources.
    struct Library;

    void DoConnect();
    void ApplyConnectSettings();
    void InstallCollation(const QString& encoding);
    void ReleaseHandle();
    void DoDisconnect();
    void BindParams(sqlite3_stmt* statement, const TParams& params);
    int BindParam(sqlite3_stmt* statement, int index, const TParam& param);

    QString databaseFile_;
    QString driver_;
    QString params_;
    QString description_;
    QString libraryVersion_;
    TDefaultCollation collation_ = dcNative;
    TTransIsolation transIsolation_ = tiSerializable;
    int busyTimeoutMs_ = 5000;  // a short lock by a read-only job waits instead of failing
    TPragmaOptions options_{poShortColumnNames};
    bool mustExists_ = true;
    bool connected_ = false;
    bool utf16_ = false;
    bool loading_ = false;
    bool connectRequestedWhileLoading_ = false;
    int lastResult_ = -1;
    sqlite3* handle_ = nullptr;
    std::unique_ptr<Library> library_;
    std::vector<TMeral3Dependent*> dependents_;
};

// Owns one prepared statement of a connection. Letting go finalizes it quietly; Finalize does so
// through the connection, which records the result and raises the engine's error.
class TStatementHolder {
public:
    TStatementHolder() = default;
    TStatementHolder(TMeral3Database& database, sqlite3_stmt* statement);
    ~TStatementHolder();
    TStatementHolder(TStatementHolder&& other) noexcept;
    TStatementHolder& operator=(TStatementHolder&& other) noexcept;

    sqlite3_stmt* Get() const { return statement_; }
    explicit operator bool() const { return statement_ != nullptr; }
    // Steps as TMeral3Database::StepStatement; a failed step has finalized the statement, and
    // the holder is left empty.
    void Step();
    void Finalize();
    void Reset() noexcept;
    // Hands the statement over without finalizing it (to a caller, or when the connection that
    // owned it is gone).
    sqlite3_stmt* Release();

private:
    TMeral3Database* database_ = nullptr;
    sqlite3_stmt* statement_ = nullptr;
};

// The statements of one script as the engine reads them, prepared one at a time. Each statement is
// the caller's to step and finalize; the walk keeps the script's text while it lasts.
class TStatementWalk {
public:
    TStatementWalk(TMeral3Database& database, const QString& sql);

    // The next statement, or null when none is left. A failing prepare finalizes and raises.
    sqlite3_stmt* Next();
    // True once nothing but blanks, ";" and comments follows the statement Next gave last.
    bool AtEnd() const { return atEnd_; }
    // How far the engine has read, in units of its text: bytes, or UTF-16 units for a UTF-16 database.
    qsizetype Position() const { return position_; }

private:
    qsizetype PrepareAt(sqlite3_stmt*& statement) const;  // the tail's position
    bool RestIsBlank(qsizetype position) const;

    TMeral3Database& database_;
    QByteArray bytes_;  // the 8-bit text
    QString text16_;    // the text of a UTF-16 database
    qsizetype position_ = 0;
    bool atEnd_ = false;
};
