#include "sql3_defs.h"

#include "sql3_api.h"
#include "sql3_simpletable.h"
#include "sql3_utils.h"

#include <QCollator>
#include <QFileInfo>
#include <QLocale>

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

unsigned Code(char c) { return static_cast<unsigned char>(c); }
unsigned Code(char16_t c) { return c; }

// True when what is left of a script holds no further statement: blanks, separators, comments.
template <typename Char>
bool HoldsNoStatement(const Char* p)
{
    while (*p) {
        if (Code(*p) <= 32 || *p == ';') {
            ++p;
        } else if (p[0] == '-' && p[1] == '-') {
            while (*p && *p != '\n')
                ++p;
        } else if (p[0] == '/' && p[1] == '*') {
            p += 2;
            while (*p && !(p[0] == '*' && p[1] == '/'))
                ++p;
            if (*p)
                p += 2;
        } else {
            return false;
        }
    }
    return true;
}

QString AsciiLower(const QString& text)
{
    QString lower = text;
    for (QChar& c : lower)
        if (c.unicode() >= 'A' && c.unicode() <= 'Z')
            c = QChar(c.unicode() - 'A' + 'a');
    return lower;
}

// A name as a string literal for the pragmas that take one; an already quoted name loses its quotes.
QString NameLiteral(const QString& name)
{
    QString plain = TrimControls(name);
    if (plain.size() >= 2 && plain.startsWith(QLatin1Char('"')) && plain.endsWith(QLatin1Char('"')))
        plain = plain.mid(1, plain.size() - 2);
    return QuoteString(plain);
}

bool IsSet(const QString& flag)
{
    return !IsBlank(flag) && flag.trimmed() != QLatin1String("0");
}

// A date-time stored as text: the user's short format first, then year-month-day with "-".
double ParseDateTime(const QString& text)
{
    const QLocale locale = QLocale::system();
    QDateTime value = locale.toDateTime(text, QLocale::ShortFormat);
    if (!value.isValid())
        value = locale.toDate(text, QLocale::ShortFormat).startOfDay(Qt::UTC);
    if (const double number = DateTimeToNumber(value); number != 0)
        return number;
    for (const char* format : {"yyyy-M-d H:mm:ss.zzz", "yyyy-M-d H:mm:ss", "yyyy-M-d H:mm", "yyyy-M-d"}) {
        value = QDateTime::fromString(text, QLatin1String(format));
        if (value.isValid())
            return DateTimeToNumber(value);
    }
    QDate date = QDate::fromString(text, QStringLiteral("yy-M-d"));
    if (date.isValid() && date.year() < QDate::currentDate().year() - 50)
        date = date.addYears(100);  // two-digit years within fifty years of today
    return DateTimeToNumber(date.startOfDay(Qt::UTC));
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

void TMeral3Database::ApplyConnectSettings()
{
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
    const Sqlite3Api& api = library_->api;
    TStatementWalk walk(*this, sql);
    while (sqlite3_stmt* statement = walk.Next()) {
        if (params && params->Count() > 0) {
            try {
                BindParams(statement, *params);
            } catch (...) {
                api.finalize(statement);
                throw;
            }
        }
        columnCount = api.column_count(statement);
        lastResult_ = api.step(statement);
        CheckResult(statement);
        if (walk.AtEnd())
            return statement;
        api.finalize(statement);
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

// ---- schema questions ----

void TMeral3Database::GetTableNames(QStringList& list, bool includeSystemTable)
{
    if (includeSystemTable)
        list << QStringLiteral("sqlite_master");
    GetObjectNames(QStringLiteral("table"), list);
}

void TMeral3Database::GetObjectNames(const QString& type, QStringList& list, const QString& tableName)
{
    QString sql = QStringLiteral("select name from sqlite_master where Lower(type)=") + QuoteString(type);
    if (!IsBlank(tableName))
        sql += QStringLiteral(" and tbl_name=") + QuoteString(tableName);
    sql += QStringLiteral(" order by name");
    TMeral3SimpleTable reader(this);
    reader.Open(sql);
    if (reader.IsEmpty())
        return;
    for (int r = 0; r < reader.RowCount(); ++r)
        list << reader.Cell(0, r);
}

void TMeral3Database::GetColumnInfo(std::vector<TColumnInfo>& list, const QString& tableName)
{
    if (IsBlank(tableName))
        return;
    TMeral3SimpleTable reader(this);
    reader.Open(QStringLiteral("pragma table_info(") + QuoteIdent(tableName) + QLatin1Char(')'));
    if (reader.IsEmpty())
        return;
    for (int r = 0; r < reader.RowCount(); ++r) {
        int flags = 0;
        if (IsSet(reader.CellByName(QStringLiteral("PK"), r)))
            flags = reader.CellByName(QStringLiteral("TYPE"), r).compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0
                        ? 3
                        : 1;
        if (IsSet(reader.CellByName(QStringLiteral("NOTNULL"), r)))
            flags += 4;
        list.push_back(TColumnInfo{reader.CellByName(QStringLiteral("NAME"), r), flags});
    }
}

void TMeral3Database::GetIndexDefs(TIndexDefs& defs, const QString& tableName)
{
    defs.clear();
    std::vector<TColumnInfo> columns;
    GetColumnInfo(columns, tableName);
    auto key = std::find_if(columns.begin(), columns.end(), [](const TColumnInfo& c) { return c.Flags & 1; });
    if (key != columns.end())
        defs.push_back(TIndexDef{QStringLiteral("_primary_key"), key->Name, true, true});

    TMeral3SimpleTable indexes(this);
    indexes.Open(QStringLiteral("pragma index_list(") + NameLiteral(tableName) + QLatin1Char(')'));
    if (indexes.IsEmpty())
        return;
    for (int r = 0; r < indexes.RowCount(); ++r) {
        const QString name = indexes.CellByName(QStringLiteral("name"), r);
        if (name.compare(QLatin1String("_primary_key"), Qt::CaseInsensitive) == 0)
            continue;
        TMeral3SimpleTable info(this);
        info.Open(QStringLiteral("pragma index_info(") + NameLiteral(name) + QLatin1Char(')'));
        if (info.IsEmpty())
            continue;
        QStringList fields;
        for (int i = 0; i < info.RowCount(); ++i)
            fields << info.CellByName(QStringLiteral("name"), i);
        const bool unique = indexes.CellByName(QStringLiteral("unique"), r).trimmed().toInt() != 0;
        defs.push_back(TIndexDef{name, fields.join(QLatin1Char(';')), false, unique});
    }
}

QString TMeral3Database::GetObjectType(const QString& name)
{
    if (name.compare(QLatin1String("sqlite_master"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("table");
    TMeral3SimpleTable reader(this);
    reader.Open(QStringLiteral("select type, name from sqlite_master where Lower(name)=") + QuoteString(AsciiLower(name)));
    return reader.IsEmpty() ? QString() : reader.Cell(0, 0);
}

QString TMeral3Database::GetPragma(const QString& pragma)
{
    TMeral3SimpleTable reader(this);
    reader.Open(QStringLiteral("pragma ") + pragma);
    return reader.IsEmpty() ? QString() : reader.Cell(0, 0);
}

// ---- column readers ----

int TMeral3Database::ColumnCount(sqlite3_stmt* s) const
{
    return s ? library_->api.column_count(s) : 0;
}

int TMeral3Database::ColumnType(sqlite3_stmt* s, int column) const
{
    return s ? library_->api.column_type(s, column) : 0;
}

int TMeral3Database::ColumnBytes(sqlite3_stmt* s, int column) const
{
    return s ? library_->api.column_bytes(s, column) : 0;
}

const void* TMeral3Database::ColumnBlob(sqlite3_stmt* s, int column) const
{
    return s ? library_->api.column_blob(s, column) : nullptr;
}

const char* TMeral3Database::ColumnText(sqlite3_stmt* s, int column) const
{
    return s ? reinterpret_cast<const char*>(library_->api.column_text(s, column)) : nullptr;
}

const char16_t* TMeral3Database::ColumnText16(sqlite3_stmt* s, int column) const
{
    return s ? static_cast<const char16_t*>(library_->api.column_text16(s, column)) : nullptr;
}

int TMeral3Database::ColumnInteger(sqlite3_stmt* s, int column) const
{
    return ColumnType(s, column) == sq3::INTEGER ? library_->api.column_int(s, column) : 0;
}

qint64 TMeral3Database::ColumnLargeInt(sqlite3_stmt* s, int column) const
{
    return ColumnType(s, column) == sq3::INTEGER ? library_->api.column_int64(s, column) : 0;
}

double TMeral3Database::ColumnFloat(sqlite3_stmt* s, int column) const
{
    switch (ColumnType(s, column)) {
    case sq3::INTEGER:
        return double(library_->api.column_int64(s, column));
    case sq3::FLOAT:
        return library_->api.column_double(s, column);
    default:
        return 0;
    }
}

double TMeral3Database::ColumnDateTime(sqlite3_stmt* s, int column) const
{
    switch (ColumnType(s, column)) {
    case 0:
    case sq3::NULL_VALUE:
        return 0;
    case sq3::INTEGER:
        return double(library_->api.column_int64(s, column));
    case sq3::FLOAT:
        return library_->api.column_double(s, column);
    default: {
        const char* text = ColumnText(s, column);  // before the byte count, which it may change
        return ParseDateTime(DecodeText(text, ColumnBytes(s, column)));
    }
    }
}

QString TMeral3Database::ColumnDeclType(sqlite3_stmt* s, int column) const
{
    const char* type = s ? library_->api.column_decltype(s, column) : nullptr;
    return type && *type ? DecodeText(type) : QStringLiteral("string");
}

QString TMeral3Database::ColumnName(sqlite3_stmt* s, int column) const
{
    return s ? DecodeText(library_->api.column_name(s, column)) : QString();
}

// ---- TStatementWalk ----

TStatementWalk::TStatementWalk(TMeral3Database& database, const QString& sql) : database_(database)
{
    database.CheckStatementText(sql);
    if (database.Utf16())
        text16_ = sql;
    else
        bytes_ = database.EncodeText(sql);
}

sqlite3_stmt* TStatementWalk::Next()
{
    while (!atEnd_) {
        sqlite3_stmt* statement = nullptr;
        const qsizetype tail = PrepareAt(statement);
        // A prepare consumes nothing only at the end of the text.
        atEnd_ = tail == position_ || RestIsBlank(tail);
        position_ = tail;
        if (statement)
            return statement;
    }
    return nullptr;
}

qsizetype TStatementWalk::PrepareAt(sqlite3_stmt*& statement) const
{
    const Sqlite3Api& api = database_.Api();
    qsizetype tail;
    if (database_.Utf16()) {
        const char16_t* text = reinterpret_cast<const char16_t*>(text16_.utf16());
        const void* rest = nullptr;
        database_.lastResult_ = api.prepare16(database_.Handle(), text + position_, -1, &statement, &rest);
        tail = rest ? static_cast<const char16_t*>(rest) - text : position_;
    } else {
        const char* text = bytes_.constData();
        const char* rest = nullptr;
        database_.lastResult_ = api.prepare_v2(database_.Handle(), text + position_, -1, &statement, &rest);
        tail = rest ? rest - text : position_;
    }
    database_.CheckResult(statement);
    return tail;
}

bool TStatementWalk::RestIsBlank(qsizetype position) const
{
    if (database_.Utf16())
        return HoldsNoStatement(reinterpret_cast<const char16_t*>(text16_.utf16()) + position);
    return HoldsNoStatement(bytes_.constData() + position);
}
