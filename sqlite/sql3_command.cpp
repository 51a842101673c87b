#include "sql3_command_p.h"

#include "sql3_api.h"
#include "sql3_utils.h"

#include <cmath>
#include <cstring>
#include <string>

namespace {

constexpr int kBatchSize = 8;

bool IsRowIdName(const QString& name)
{
    return name.compare(QLatin1String("ROWID"), Qt::CaseInsensitive) == 0
        || name.compare(QLatin1String("_ROWID_"), Qt::CaseInsensitive) == 0
        || name.compare(QLatin1String("OID"), Qt::CaseInsensitive) == 0;
}

bool IsNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// Named placeholders (":name") of a statement, outside quoted text, in order of appearance.
QStringList PlaceholderNames(const QString& text)
{
    QStringList names;
    QChar quote;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u':' && i + 1 < text.size() && IsNameChar(text[i + 1]) && (i == 0 || text[i - 1] != u':')) {
            qsizetype end = i + 1;
            while (end < text.size() && IsNameChar(text[end]))
                ++end;
            const QString name = text.mid(i + 1, end - i - 1);
            if (!names.contains(name, Qt::CaseInsensitive))
                names << name;
            i = end - 1;
        }
    }
    return names;
}


}  // namespace

// ---- TDataLink ----

TDataLink::~TDataLink()
{
    SetDataSet(nullptr);
}

void TDataLink::SetDataSet(TMeral3Command* dataSet)
{
    if (dataSet_ == dataSet)
        return;
    if (dataSet_)
        std::erase(dataSet_->links_, this);
    dataSet_ = dataSet;
    if (dataSet_)
        dataSet_->links_.push_back(this);
}

// ---- TMeral3Command: lifecycle ----

TMeral3Command::TMeral3Command(TCommandKind kind) : kind_(kind)
{
    fields_.owner_ = this;
}

TMeral3Command::~TMeral3Command()
{
    // The owner is going away too: its close handlers may no longer have anything to act on.
    BeforeClose = nullptr;
    AfterClose = nullptr;
    try {
        Close();
    } catch (...) {
        // A destructor must not throw; the statement holder releases the statement in any case.
    }
    if (database_)
        database_->Detach(this);
    for (TDataLink* link : links_)
        link->dataSet_ = nullptr;
}

void TMeral3Command::SetDatabase(TMeral3Database* db)
{
    if (db == database_)
        return;
    Close();
    SwitchDatabase(database_, db);
}

void TMeral3Command::DatabaseDisconnecting()
{
    Close();
}

void TMeral3Command::DatabaseDestroyed()
{
    if (Active()) {
        // The engine's statements are gone with the connection; only our bookkeeping remains.
        statement_.Release();
        ReleaseRows();
        fields_.RemoveTemporary();
        fieldDefs_.clear();
        state_ = dsInactive;
        ForEachLink([](TDataLink* l) { l->ActiveChanged(false); });
    }
    database_ = nullptr;
}

void TMeral3Command::SetStatementText(const QString& text)
{
    // Compared exactly: a literal that differs only in letter case (a document path) is another statement.
    if (text == statementText_)
        return;
    Close();
    InstallStatementText(text);
}

void TMeral3Command::InstallStatementText(const QString& text)
{
    statementText_ = text;
    params_.Clear();
    for (const QString& name : PlaceholderNames(text.trimmed()))
        params_.Add(name);
}

void TMeral3Command::SetActive(bool v)
{
    if (v == Active())
        return;
    if (v)
        DoOpen();
    else
        DoClose();
}

void TMeral3Command::DoOpen()
{
    DoBeforeOpen();
    Fire(BeforeOpen, *this);
    try {
        OpenStatement();
        MakeFieldDefs();
        BindFields();
        DoAfterFieldDefs();
        if (columnCount_ == 0) {
            // A command: run it to its end; the record set stays closed.
            while (database_->LastResult() == sq3::ROW)
                StepStatement();
            statement_.Finalize();
            fields_.RemoveTemporary();
            fieldDefs_.clear();
            return;
        }
        state_ = dsBrowse;
        current_ = -1;
        FetchRows(-1);
        const int first = FindForward(0);
        current_ = first;
        bof_ = true;
        eof_ = first < 0;
    } catch (...) {
        statement_.Reset();
        ReleaseRows();
        fields_.RemoveTemporary();
        fieldDefs_.clear();
        state_ = dsInactive;
        throw;
    }
    ForEachLink([](TDataLink* l) { l->ActiveChanged(true); });
    Fire(AfterOpen, *this);
    Fire(AfterScroll, *this);
}

void TMeral3Command::DoClose()
{
    Fire(BeforeClose, *this);
    ReleaseRows();
    workRow_ = TRowImage();
    changedFields_.clear();
    overrideRow_ = nullptr;
    statement_.Reset();
    fields_.RemoveTemporary();
    fieldDefs_.clear();
    fieldColumns_.clear();
    state_ = dsInactive;
    bof_ = eof_ = true;
    ForEachLink([](TDataLink* l) { l->ActiveChanged(false); });
    Fire(AfterClose, *this);
}

void TMeral3Command::OpenStatement()
{
    if (!database_)
        ReportError(QStringLiteral("Missing Database property!"));
    database_->CheckConnected(false);
    if (IsBlank(statementText_))
        ReportError(QStringLiteral("Invalid SQL command!"));
    statement_ = TStatementHolder(*database_, database_->RunStatements(statementText_, &params_, columnCount_));
    allFetched_ = database_->LastResult() != sq3::ROW;
    if (!statement_)
        ReportError(QStringLiteral("Invalid command handle!"));
}

void TMeral3Command::MakeFieldDefs()
{
    rowIdColumn_ = -1;
    rowIdAlias_.clear();
    const QString table = TableFromSelect(statementText_, false);
    if (!table.isEmpty()) {
        std::vector<TColumnInfo> columns;
        try {
            database_->GetColumnInfo(columns, table);
        } catch (const EDatabaseError&) {
            columns.clear();  // not a table the schema knows: no rowid alias
        }
        for (const TColumnInfo& c : columns)
            if ((c.Flags & 3) == 3) {
                rowIdAlias_ = c.Name;
                break;
            }
    }
    fieldDefs_.clear();
    const bool utf16 = database_->Utf16();
    for (int i = 0; i < columnCount_; ++i) {
        const QString name = database_->ColumnName(statement_.Get(), i);
        if (requestLive_ && rowIdColumn_ < 0) {
            const bool isRowId = rowIdAlias_.isEmpty() ? IsRowIdName(name)
                                                       : name.compare(rowIdAlias_, Qt::CaseInsensitive) == 0;
            if (isRowId)
                rowIdColumn_ = i;
        }
        if (SkipsLastColumn() && i == columnCount_ - 1)
            continue;
        TFieldDef def;
        def.FieldNo = i + 1;
        const bool duplicate = std::any_of(fieldDefs_.begin(), fieldDefs_.end(), [&](const TFieldDef& d) {
            return !d.Hidden && d.Name.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (duplicate) {
            def.Hidden = true;
        } else {
            const QString decl = database_->ColumnDeclType(statement_.Get(), i);
            def.Name = name;
            def.DataType = FieldTypeFromDecl(decl, utf16);
            def.Size = (def.DataType == ftString || def.DataType == ftWideString) ? TextSizeFromDecl(decl) : 0;
        }
        fieldDefs_.push_back(def);
    }
}

void TMeral3Command::BindFields()
{
    const bool persistent = fields_.Count() > 0;
    if (!persistent) {
        for (const TFieldDef& def : fieldDefs_) {
            if (def.Hidden)
                continue;
            std::unique_ptr<TField> f;
            if (def.DataType == ftWideString)
                f = std::make_unique<TWideStringField>(*this, def.Name, def.Size);
            else
                f = std::make_unique<TField>(*this, def.Name, def.DataType, def.Size);
            fields_.Add(std::move(f)).fieldNo_ = def.FieldNo;
        }
    }
    fieldColumns_.clear();
    for (int i = 0; i < fields_.Count(); ++i) {
        TField& f = fields_[i];
        if (persistent) {
            auto def = std::find_if(fieldDefs_.begin(), fieldDefs_.end(), [&](const TFieldDef& d) {
                return !d.Hidden && d.Name.compare(f.FieldName(), Qt::CaseInsensitive) == 0;
            });
            if (def == fieldDefs_.end())
                ReportError(QStringLiteral("Field '%1' not found").arg(f.FieldName()));
            f.fieldNo_ = def->FieldNo;
        }
        fieldColumns_.push_back(f.fieldNo_ - 1);
    }
    scratch_.assign(size_t(fields_.Count()), TRowImage::Slot());
    fixed_.assign(size_t(fields_.Count()), {});
}

TField& TMeral3Command::CreateField(const QString& name, TFieldType type, int size)
{
    if (Active())
        ReportError(QStringLiteral("Cannot create field '%1' on an open dataset").arg(name));
    if (fields_.FindField(name))
        ReportError(QStringLiteral("Duplicate field name '%1'").arg(name));
    std::unique_ptr<TField> f = type == ftWideString ? std::make_unique<TWideStringField>(*this, name, size)
                                                     : std::make_unique<TField>(*this, name, type, size);
    f->persistent_ = true;
    return fields_.Add(std::move(f));
}

// ---- Fetching ----

void TMeral3Command::ReleaseRows()
{
    rows_.clear();
    rows_.shrink_to_fit();
    current_ = -1;
}

void TMeral3Command::AppendCurrentRow()
{
    for (int f = 0; f < fields_.Count(); ++f)
        scratch_[size_t(f)] = ReadSlot(f);
    const qint64 rowId = rowIdColumn_ >= 0 ? database_->ColumnLargeInt(statement_.Get(), rowIdColumn_) : -1;
    rows_.emplace_back(scratch_, rowId, nextSerial_++);
}

TRowImage::Slot TMeral3Command::ReadSlot(int f)
{
    const TMeral3Database& db = *database_;
    sqlite3_stmt* const statement = statement_.Get();
    const TFieldType type = fields_[f].DataType();
    const int col = fieldColumns_[size_t(f)];
    TRowImage::Slot s;
    if (IsBlobType(type) && !fetchBlobs_)
        return s;
    // Text and blob readers give no pointer for NULL; only the typed values need the type.
    const bool bytesValue = type == ftString || type == ftWideString || IsBlobType(type);
    if (!bytesValue && type != ftLargeint && db.ColumnType(statement, col) == sq3::NULL_VALUE)
        return s;
    char* fixed = fixed_[size_t(f)].data();
    auto putInt = [&](qint64 v) { std::memcpy(fixed, &v, 8), s = {fixed, 8, true}; };
    auto putFloat = [&](double v) { std::memcpy(fixed, &v, 8), s = {fixed, 8, true}; };
    switch (type) {
    case ftString: {
        const char* text = db.ColumnText(statement, col);
        const int size = fields_[f].Size();
        const int length = db.ColumnBytes(statement, col);
        s = {text, size > 0 ? std::min(length, size) : length, text != nullptr};
        break;
    }
    case ftWideString: {
        const char16_t* text = db.ColumnText16(statement, col);
        qsizetype units = text ? qsizetype(std::char_traits<char16_t>::length(text)) : 0;
        if (fields_[f].Size() > 0)
            units = std::min<qsizetype>(units, fields_[f].Size());
        s = {text, units * 2, text != nullptr};
        break;
    }
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo: {
        const void* blob = db.ColumnBlob(statement, col);
        const int length = db.ColumnBytes(statement, col);
        if (blob && length > 0)
            s = {blob, length, true};
        break;
    }
    case ftBoolean: putInt(db.ColumnLargeInt(statement, col) != 0); break;
    case ftFloat:
    case ftCurrency: putFloat(db.ColumnFloat(statement, col)); break;
    case ftDate: putFloat(std::trunc(db.ColumnDateTime(statement, col))); break;
    case ftDateTime: putFloat(db.ColumnDateTime(statement, col)); break;
    case ftTime: putInt(db.ColumnInteger(statement, col)); break;
    case ftLargeint: {
        // Only an integer reads as non-zero, so the type is asked for zeros alone.
        const qint64 v = db.ColumnLargeInt(statement, col);
        if (v != 0 || db.ColumnType(statement, col) != sq3::NULL_VALUE)
            putInt(v);
        break;
    }
    default: putInt(db.ColumnLargeInt(statement, col)); break;
    }
    return s;
}

void TMeral3Command::FetchRows(qint64 wantedRowId)
{
    if (allFetched_)
        return;
    int batch = 0;
    for (;;) {
        AppendCurrentRow();
        const bool stop = wantedRowId == -1 ? ++batch >= kBatchSize : rows_.back().RowId == wantedRowId;
        StepStatement();
        if (allFetched_ || stop)
            break;
    }
}

void TMeral3Command::StepStatement()
{
    try {
        statement_.Step();
    } catch (...) {
        allFetched_ = true;
        throw;
    }
    allFetched_ = database_->LastResult() != sq3::ROW;
}

void TMeral3Command::FetchBatch()
{
    CheckActive();
    FetchRows(-1);
}

// ---- Refresh ----

void TMeral3Command::Refresh()
{
    CheckActive();
    CheckBrowseMode();
    const qint64 keep = skipReposition_ || rowIdColumn_ < 0 ? -1 : CurrentRowId();
    skipReposition_ = false;
    try {
        ReleaseRows();
        statement_.Finalize();
        int columns = 0;
        std::swap(columns, columnCount_);
        OpenStatement();
        if (columnCount_ != columns)
            ReportError(QStringLiteral("The statement's columns have changed"));
        int index = -1;
        if (keep >= 0) {
            FetchRows(keep);
            if (!rows_.empty() && rows_.back().RowId == keep && RowAccepted(RecordCount() - 1))
                index = RecordCount() - 1;
        }
        if (index >= 0) {
            current_ = index;
            bof_ = eof_ = false;
        } else {
            if (rows_.empty())
                FetchRows(-1);
            current_ = FindForward(0);
            bof_ = true;
            eof_ = current_ < 0;
        }
    } catch (...) {
        DoClose();
        throw;
    }
    NotifyDataSetChanged();
    Fire(AfterScroll, *this);
}

// ---- Bound views ----

void TMeral3Command::NotifyDataSetChanged()
{
    ForEachLink([](TDataLink* l) { l->DataSetChanged(); });
}

void TMeral3Command::DisableControls()
{
    ++disableCount_;
}

void TMeral3Command::EnableControls()
{
    if (disableCount_ == 0)
        return;
    if (--disableCount_ == 0) {
        const bool active = Active();
        ForEachLink([active](TDataLink* l) { l->ActiveChanged(active); });
    }
}
