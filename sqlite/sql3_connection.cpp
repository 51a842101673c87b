#include "sql3_defs.h"

#include "sql3_api.h"
#include "sql3_utils.h"

#include <QCollator>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const char* const kPragmaNames[] = {
    "foreign_keys", "case_sensitive_like", "count_changes", "full_column_names", "short_column_names",
    "recursive_triggers", "automatic_index", "reverse_unordered_selects", "secure_delete",
};

QString PragmaText(TPragmaOptions options)
{
    QString text;
    for (int o = poForeignKeysSupport; o <= poSecureDelete; ++o)
        text += QStringLiteral("pragma %1=%2;")
                    .arg(QLatin1String(kPragmaNames[o]),
                         options.Contains(TPragmaOption(o)) ? QLatin1String("on") : QLatin1String("off"));
    return text;
}

}  // namespace

// ---- components and parameters ----

void TMeral3Component::ReportError(const QString& text) const
{
    throw EDatabaseError(name_.isEmpty() ? text : name_ + QStringLiteral(": ") + text);
}

void TMeral3Component::CheckStatementText(QStringView sql) const
{
    const qsizetype nul = sql.indexOf(QChar(0));
    if (nul >= 0)
        ReportError(QStringLiteral("SQL text holds a NUL character at position %1").arg(nul));
}

void TMeral3Dependent::SwitchDatabase(TMeral3Database*& slot, TMeral3Database* database)
{
    if (slot == database)
        return;
    if (slot)
        slot->Detach(this);
    slot = database;
    if (slot)
        slot->Attach(this);
}

TParam& TParams::Add(const QString& name, TFieldType type)
{
    items_.push_back(TParam{name, type, QVariant()});
    return items_.back();
}

TParam* TParams::FindParam(const QString& name)
{
    auto it = std::find_if(items_.begin(), items_.end(),
                           [&](const TParam& p) { return p.Name.compare(name, Qt::CaseInsensitive) == 0; });
    return it == items_.end() ? nullptr : &*it;
}

const TParam* TParams::FindParam(const QString& name) const
{
    return const_cast<TParams*>(this)->FindParam(name);
}

TParam& TParams::ParamByName(const QString& name)
{
    if (TParam* p = FindParam(name))
        return *p;
    throw EDatabaseError(QStringLiteral("Parameter '%1' not found").arg(name));
}

// ---- connection: properties and lifecycle ----

TMeral3Database::TMeral3Database() = default;

TMeral3Database::~TMeral3Database()
{
    try {
        SetConnected(false);
    } catch (...) {
        // A destructor never throws; the handle and the library are released below regardless.
    }
    ReleaseHandle();
    library_.reset();
    const auto dependents = dependents_;
    for (TMeral3Dependent* d : dependents)
        d->DatabaseDestroyed();
    dependents_.clear();
}

void TMeral3Database::SetConnected(bool value)
{
    if (loading_) {
        connectRequestedWhileLoading_ = value;
        return;
    }
    if (value) {
        if (connected_)
            return;
        if (BeforeConnect)
            BeforeConnect(*this);
        DoConnect();
        if (AfterConnect)
            AfterConnect(*this);
    } else {
        if (BeforeDisconnect)
            BeforeDisconnect(*this);
        DoDisconnect();
        if (AfterDisconnect)
            AfterDisconnect(*this);
    }
}

void TMeral3Database::SetDatabaseFile(const QString& value)
{
    if (connected_)
        SetConnected(false);
    databaseFile_ = value;
}

QString TMeral3Database::Driver()
{
    if (driver_.isEmpty())
        driver_ = QStringLiteral("libsqlite3.so.0");
    return driver_;
}

void TMeral3Database::SetDriver(const QString& value)
{
    if (connected_)
        SetConnected(false);
    // A library left loaded by a failed connect must not stand in for the new file.
    if (value != driver_)
        library_.reset();
    driver_ = value;
}

void TMeral3Database::BeginLoading()
{
    loading_ = true;
    connectRequestedWhileLoading_ = false;
}

void TMeral3Database::EndLoading()
{
    loading_ = false;
    const bool requested = connectRequestedWhileLoading_;
    connectRequestedWhileLoading_ = false;
    SetConnected(requested);
}

void TMeral3Database::DoConnect()
{
    lastResult_ = -1;
    ReleaseHandle();
    const QString driver = Driver();
    if (!QFileInfo::exists(driver))
        ReportError(QStringLiteral("Missing DLL driver property!"));
    if (!library_) {
        // An absolute path, so that the file checked above is the one loaded, not a namesake
        // found on the library search path.
        library_ = Library::Bind(QFileInfo(driver).absoluteFilePath());
        if (!library_)
            ReportError(QStringLiteral("Invalid DLL driver!"));
        libraryVersion_ = QString::fromUtf8(library_->api.libversion());
    }
    lastResult_ = 14;
    if (IsBlank(databaseFile_) || (mustExists_ && !QFileInfo::exists(databaseFile_)))
        ReportError(QStringLiteral("Database file don't exist's!"));
    const Sqlite3Api& api = library_->api;
    lastResult_ = api.open(databaseFile_.toUtf8().constData(), &handle_);
    connected_ = lastResult_ == 0;
    if (!connected_) {
        const QString message = QStringLiteral("Database error: ") + DecodeText(api.errmsg(handle_));
        ReleaseHandle();
        ReportError(message);
    }
    try {
        ApplyConnectSettings();
    } catch (...) {
        connected_ = false;
        ReleaseHandle();
        throw;
    }
}

void TMeral3Database::SetBusyTimeout(int milliseconds)
{
    busyTimeoutMs_ = std::max(milliseconds, 0);
    if (connected_)
        ExecSQL(QStringLiteral("pragma busy_timeout=%1;").arg(busyTimeoutMs_));
}

void TMeral3Database::ApplyConnectSettings()
{
    // First, so that even reading the encoding waits through a short lock.
    SetBusyTimeout(busyTimeoutMs_);
    const QString encoding = GetPragma(QStringLiteral("encoding"));
    utf16_ = encoding.startsWith(QLatin1String("UTF-16"), Qt::CaseInsensitive);
    if (collation_ == dcNative)
        InstallCollation(encoding);
    ExecSQL(PragmaText(options_));
    const QString params = TrimControls(params_);
    if (!IsBlank(params))
        ExecSQL(ExpandPragmaParams(params));
    ExecSQL(transIsolation_ == tiDirtyRead ? QStringLiteral("pragma read_uncommitted=on;")
                                           : QStringLiteral("pragma read_uncommitted=off;"));
}

void TMeral3Database::InstallCollation(const QString& encoding)
{
    const Sqlite3Api& api = library_->api;
    constexpr bool littleEndianHost = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
    void* collator = const_cast<QCollator*>(&NativeCollator());
    int rc;
    if (encoding.startsWith(QLatin1String("UTF-16le"), Qt::CaseInsensitive))
        rc = api.create_collation16(handle_, u"NATIVE", sq3::UTF16LE, collator,
                                    littleEndianHost ? NativeCompareUtf16 : NativeCompareUtf16Swapped);
    else if (encoding.startsWith(QLatin1String("UTF-16be"), Qt::CaseInsensitive))
        rc = api.create_collation16(handle_, u"NATIVE", sq3::UTF16BE, collator,
                                    littleEndianHost ? NativeCompareUtf16Swapped : NativeCompareUtf16);
    else
        rc = api.create_collation(handle_, "NATIVE", sq3::UTF8, const_cast<TCodePageOrder*>(&NativeCodePageOrder()),
                                  NativeCompareCodePage);
    if (rc != 0)
        ReportError(QStringLiteral("Create collation error: ") + DecodeText(api.errmsg(handle_)));
}

void TMeral3Database::ReleaseHandle()
{
    if (handle_ && library_)
        library_->api.close(handle_);
    handle_ = nullptr;
}

void TMeral3Database::DoDisconnect()
{
    const auto dependents = dependents_;
    for (TMeral3Dependent* d : dependents)
        d->DatabaseDisconnecting();
    connected_ = false;
    ReleaseHandle();
    library_.reset();
}

void TMeral3Database::CheckConnected(bool failOnly)
{
    if (connected_)
        return;
    if (!failOnly)
        SetConnected(true);
    if (!connected_)
        ReportError(QStringLiteral("Not connected!"));
}

void TMeral3Database::Attach(TMeral3Dependent* dependent)
{
    if (std::find(dependents_.begin(), dependents_.end(), dependent) == dependents_.end())
        dependents_.push_back(dependent);
}

void TMeral3Database::Detach(TMeral3Dependent* dependent)
{
    dependents_.erase(std::remove(dependents_.begin(), dependents_.end(), dependent), dependents_.end());
}

const Sqlite3Api& TMeral3Database::Api() const
{
    if (!library_)
        ReportError(QStringLiteral("Not connected!"));
    return library_->api;
}

QByteArray TMeral3Database::EncodeText(QStringView text) const
{
    if (utf16_)
        return text.toUtf8();
    try {
        return ToCodePage(text);
    } catch (const EDatabaseError& e) {
        ReportError(e.Message());
    }
}

QString TMeral3Database::DecodeText(const char* text, int length) const
{
    if (!text)
        return QString();
    const QByteArrayView bytes(text, length < 0 ? qsizetype(std::strlen(text)) : qsizetype(length));
    return utf16_ ? QString::fromUtf8(bytes) : FromCodePage(bytes);
}

// ---- statements ----

sqlite3_stmt* TMeral3Database::RunStatements(const QString& sql, const TParams* params, int& columnCount)
{
    lastResult_ = -1;
    columnCount = 0;
    CheckConnected(false);
    CheckConnected(true);
    TStatementWalk walk(*this, sql);
    while (sqlite3_stmt* next = walk.Next()) {
        TStatementHolder statement(*this, next);
        if (params && params->Count() > 0)
            BindParams(statement.Get(), *params);
        columnCount = library_->api.column_count(statement.Get());
        statement.Step();
        if (walk.AtEnd())
            return statement.Release();
    }
    return nullptr;
}

void TMeral3Database::BindParams(sqlite3_stmt* statement, const TParams& params)
{
    const Sqlite3Api& api = library_->api;
    const int count = api.bind_parameter_count(statement);
    for (int n = 1; n <= count; ++n) {
        const char* name = api.bind_parameter_name(statement, n);
        if (!name)
            continue;  // an unnamed placeholder stays NULL
        const TParam* param = params.FindParam(DecodeText(name).mid(1));
        if (!param)
            continue;
        const int rc = BindParam(statement, n, *param);
        if (rc != 0) {
            lastResult_ = rc;
            ReportError(DecodeText(api.errmsg(handle_)));
        }
    }
}

int TMeral3Database::BindParam(sqlite3_stmt* statement, int index, const TParam& param)
{
    const Sqlite3Api& api = library_->api;
    const QVariant& value = param.Value;
    if (value.isNull())
        return api.bind_null(statement, index);
    switch (param.DataType) {
    case ftString:
    case ftWideString: {
        const QString text = value.toString();
        if (utf16_)
            return api.bind_text16(statement, index, text.utf16(), int(text.size() * 2), sq3::Transient());
        const QByteArray bytes = EncodeText(text);
        return api.bind_text(statement, index, bytes.constData(), int(bytes.size()), sq3::Transient());
    }
    case ftSmallint:
    case ftWord:
        return api.bind_int(statement, index, value.toInt());
    case ftDate:
        return api.bind_int(statement, index, int(std::trunc(value.toDouble())));
    case ftInteger:
    case ftLargeint:
        // All 64 bits: identifiers above 2^31 must survive.
        return api.bind_int64(statement, index, value.toLongLong());
    case ftBoolean:
        return api.bind_int(statement, index, value.toBool() ? 1 : 0);
    case ftFloat:
    case ftCurrency:
    case ftDateTime:
    case ftTime:  // as a whole number a time of day would always read as midnight
        return api.bind_double(statement, index, value.toDouble());
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo: {
        const QByteArray bytes = value.typeId() == QMetaType::QString ? EncodeText(value.toString())
                                                                      : value.toByteArray();
        return api.bind_blob(statement, index, bytes.constData(), int(bytes.size()), sq3::Transient());
    }
    default:
        ReportError(QStringLiteral("Unsupported parameter type!"));
    }
}

void TMeral3Database::CheckResult(sqlite3_stmt* statement)
{
    if (lastResult_ == 0 || lastResult_ == sq3::ROW || lastResult_ == sq3::DONE)
        return;
    if (!library_)
        return;  // no engine call was made
    const Sqlite3Api& api = library_->api;
    // The message first: it belongs to the statement being finalized.
    const QString message = handle_ ? DecodeText(api.errmsg(handle_)) : QString();
    if (statement)
        api.finalize(statement);
    if (lastResult_ != -1)
        ReportError(message);
}

void TMeral3Database::StepStatement(sqlite3_stmt* statement)
{
    lastResult_ = -1;
    if (statement)
        lastResult_ = library_->api.step(statement);
    CheckResult(statement);
}

void TMeral3Database::FinalizeStatement(sqlite3_stmt*& holder)
{
    lastResult_ = 0;
    if (holder)
        lastResult_ = library_->api.finalize(holder);
    holder = nullptr;
    CheckResult(nullptr);
}

void TMeral3Database::ExecSQL(const QString& sql, const TParams* params)
{
    int columns = 0;
    sqlite3_stmt* statement = RunStatements(sql, params, columns);
    FinalizeStatement(statement);
}

// ---- transactions and counters ----

void TMeral3Database::StartTransaction(TTransactionMode mode)
{
    if (TransactionActive())
        return;
    switch (mode) {
    case tmDeferred:
        ExecSQL(QStringLiteral("begin deferred transaction"));
        break;
    case tmImmediate:
        ExecSQL(QStringLiteral("begin immediate transaction"));
        break;
    case tmExclusive:
        ExecSQL(QStringLiteral("begin exclusive transaction"));
        break;
    default:
        ExecSQL(QStringLiteral("begin transaction"));
    }
}

void TMeral3Database::Commit()
{
    if (TransactionActive())
        ExecSQL(QStringLiteral("commit transaction"));
}

void TMeral3Database::Rollback()
{
    if (TransactionActive())
        ExecSQL(QStringLiteral("rollback transaction"));
}

bool TMeral3Database::TransactionActive()
{
    CheckConnected(true);
    return library_->api.get_autocommit(handle_) == 0;
}

int TMeral3Database::Changes()
{
    return connected_ ? library_->api.changes(handle_) : -1;
}

qint64 TMeral3Database::LastInsertRowId()
{
    return connected_ ? library_->api.last_insert_rowid(handle_) : 0;
}
