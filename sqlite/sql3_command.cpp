#include "sql3_command.h"

#include "sql3_utils.h"

#include <QCollator>

#include <cmath>
#include <cstring>
#include <string>

namespace {

constexpr int kBatchSize = 8;
constexpr int kSqliteRow = 100;
constexpr int kSqliteNull = 5;
constexpr uint32_t kHasValue = 0x80000000u;
constexpr uint32_t kOffsetMask = 0x7fffffffu;

struct Header {
    uint32_t serial;
    uint32_t cells;
};

void Fire(const TMeral3Command::TNotify& event, TMeral3Command& ds)
{
    if (event)
        event(ds);
}

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

// The statement parameter that carries a field's value when an edit is posted.
void SetParamFromField(TParam& p, const TField& f)
{
    p.DataType = f.DataType();
    if (f.IsNull()) {
        p.Clear();
        return;
    }
    switch (f.DataType()) {
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo: p.SetAsBlob(f.AsBytes()); break;
    case ftString:
    case ftWideString: p.Value = f.AsString(); break;
    case ftBoolean: p.Value = f.AsBoolean(); break;
    case ftFloat:
    case ftCurrency: p.Value = f.AsFloat(); break;
    case ftDate:
    case ftDateTime: p.DataType = ftDateTime, p.Value = f.AsFloat(); break;
    case ftTime: p.Value = int(f.AsLargeInt()); break;
    default: p.SetAsLargeInt(f.AsLargeInt()); break;
    }
}

}  // namespace

// ---- TRowImage ----

TRowImage::TRowImage(const std::vector<Slot>& cells, qint64 rowId, uint32_t serial) : RowId(rowId)
{
    qsizetype total = 0;
    for (const Slot& s : cells)
        total += s.hasValue ? s.length : 0;
    const size_t head = sizeof(Header) + cells.size() * sizeof(uint32_t);
    buffer_ = std::make_unique_for_overwrite<char[]>(head + size_t(total));
    const Header h{serial, uint32_t(cells.size())};
    std::memcpy(buffer_.get(), &h, sizeof h);
    char* data = buffer_.get() + head;
    uint32_t end = 0;
    for (size_t i = 0; i < cells.size(); ++i) {
        const Slot& s = cells[i];
        if (s.hasValue && s.length > 0) {
            std::memcpy(data + end, s.data, size_t(s.length));
            end += uint32_t(s.length);
        }
        const uint32_t entry = end | (s.hasValue ? kHasValue : 0);
        std::memcpy(buffer_.get() + sizeof(Header) + i * sizeof(uint32_t), &entry, sizeof entry);
    }
}

TRowImage::TRowImage(const TRowImage& other) : RowId(other.RowId)
{
    if (other.buffer_) {
        const size_t size = size_t(other.DataSize());
        buffer_ = std::make_unique_for_overwrite<char[]>(size);
        std::memcpy(buffer_.get(), other.buffer_.get(), size);
    }
}

TRowImage& TRowImage::operator=(const TRowImage& other)
{
    if (this != &other) {
        TRowImage copy(other);
        *this = std::move(copy);
    }
    return *this;
}

int TRowImage::SlotCount() const
{
    if (!buffer_)
        return 0;
    Header h;
    std::memcpy(&h, buffer_.get(), sizeof h);
    return int(h.cells);
}

uint32_t TRowImage::Serial() const
{
    if (!buffer_)
        return 0;
    Header h;
    std::memcpy(&h, buffer_.get(), sizeof h);
    return h.serial;
}

const uint32_t* TRowImage::Ends() const
{
    return reinterpret_cast<const uint32_t*>(buffer_.get() + sizeof(Header));
}

const char* TRowImage::Data() const
{
    return buffer_.get() + sizeof(Header) + size_t(SlotCount()) * sizeof(uint32_t);
}

bool TRowImage::HasValue(int slot) const
{
    if (slot < 0 || slot >= SlotCount())
        return false;
    uint32_t e;
    std::memcpy(&e, Ends() + slot, sizeof e);
    return e & kHasValue;
}

QByteArrayView TRowImage::Bytes(int slot) const
{
    if (slot < 0 || slot >= SlotCount())
        return {};
    uint32_t begin = 0, end;
    if (slot > 0) {
        std::memcpy(&begin, Ends() + slot - 1, sizeof begin);
        begin &= kOffsetMask;
    }
    std::memcpy(&end, Ends() + slot, sizeof end);
    end &= kOffsetMask;
    return QByteArrayView(Data() + begin, end - begin);
}

qsizetype TRowImage::DataSize() const
{
    if (!buffer_)
        return 0;
    const int n = SlotCount();
    uint32_t last = 0;
    if (n > 0) {
        std::memcpy(&last, Ends() + n - 1, sizeof last);
        last &= kOffsetMask;
    }
    return qsizetype(sizeof(Header) + size_t(n) * sizeof(uint32_t) + last);
}

TRowImage TRowImage::WithSlot(int slot, bool hasValue, QByteArrayView bytes) const
{
    const int n = SlotCount();
    std::vector<Slot> cells(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const QByteArrayView b = Bytes(i);
        cells[size_t(i)] = {b.data(), b.size(), HasValue(i)};
    }
    if (slot >= 0 && slot < n)
        cells[size_t(slot)] = {bytes.data(), hasValue ? bytes.size() : 0, hasValue};
    return TRowImage(cells, RowId, Serial());
}

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
        // A destructor must not throw; the statement is released below in any case.
    }
    if (database_ && statement_) {
        try {
            database_->FinalizeStatement(statement_);
        } catch (...) {
        }
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
        statement_ = nullptr;
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
            while (database_->LastResult() == kSqliteRow)
                StepStatement();
            database_->FinalizeStatement(statement_);
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
        if (statement_) {
            try {
                database_->FinalizeStatement(statement_);
            } catch (...) {
            }
        }
        statement_ = nullptr;
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
    if (statement_ && database_) {
        try {
            database_->FinalizeStatement(statement_);
        } catch (const EDatabaseError&) {
            // Finalizing repeats the error of a failed step, which was reported when it happened.
        }
    }
    statement_ = nullptr;
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
    statement_ = database_->RunStatements(statementText_, &params_, columnCount_);
    allFetched_ = database_->LastResult() != kSqliteRow;
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
        const QString name = database_->ColumnName(statement_, i);
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
            const QString decl = database_->ColumnDeclType(statement_, i);
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
    const TMeral3Database& db = *database_;
    for (int f = 0; f < fields_.Count(); ++f) {
        const TFieldType type = fields_[f].DataType();
        const int col = fieldColumns_[size_t(f)];
        TRowImage::Slot& s = scratch_[size_t(f)];
        s = TRowImage::Slot();
        if (IsBlobType(type) && !fetchBlobs_)
            continue;
        // Text and blob readers give no pointer for NULL; only the typed values need the type.
        const bool bytesValue = type == ftString || type == ftWideString || IsBlobType(type);
        if (!bytesValue && type != ftLargeint && db.ColumnType(statement_, col) == kSqliteNull)
            continue;
        char* fixed = fixed_[size_t(f)].data();
        auto putInt = [&](qint64 v) { std::memcpy(fixed, &v, 8), s = {fixed, 8, true}; };
        auto putFloat = [&](double v) { std::memcpy(fixed, &v, 8), s = {fixed, 8, true}; };
        switch (type) {
        case ftString: {
            const char* text = db.ColumnText(statement_, col);
            const int size = fields_[f].Size();
            const int length = db.ColumnBytes(statement_, col);
            s = {text, size > 0 ? std::min(length, size) : length, text != nullptr};
            break;
        }
        case ftWideString: {
            const char16_t* text = db.ColumnText16(statement_, col);
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
            const void* blob = db.ColumnBlob(statement_, col);
            const int length = db.ColumnBytes(statement_, col);
            if (blob && length > 0)
                s = {blob, length, true};
            break;
        }
        case ftBoolean: putInt(db.ColumnLargeInt(statement_, col) != 0); break;
        case ftFloat:
        case ftCurrency: putFloat(db.ColumnFloat(statement_, col)); break;
        case ftDate: putFloat(std::trunc(db.ColumnDateTime(statement_, col))); break;
        case ftDateTime: putFloat(db.ColumnDateTime(statement_, col)); break;
        case ftTime: putInt(db.ColumnInteger(statement_, col)); break;
        case ftLargeint: {
            // Only an integer reads as non-zero, so the type is asked for zeros alone.
            const qint64 v = db.ColumnLargeInt(statement_, col);
            if (v != 0 || db.ColumnType(statement_, col) != kSqliteNull)
                putInt(v);
            break;
        }
        default: putInt(db.ColumnLargeInt(statement_, col)); break;
        }
    }
    const qint64 rowId = rowIdColumn_ >= 0 ? db.ColumnLargeInt(statement_, rowIdColumn_) : -1;
    rows_.emplace_back(scratch_, rowId, nextSerial_++);
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
        database_->StepStatement(statement_);
    } catch (...) {
        statement_ = nullptr;  // a failed step has finalized it
        allFetched_ = true;
        throw;
    }
    allFetched_ = database_->LastResult() != kSqliteRow;
}

void TMeral3Command::FetchBatch()
{
    CheckActive();
    FetchRows(-1);
}

// ---- Navigation ----

void TMeral3Command::CheckActive() const
{
    if (!Active())
        ReportError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

bool TMeral3Command::RowAccepted(int index)
{
    if (!filtered_ || !onFilterRecord_)
        return true;
    const TDataSetState savedState = state_;
    const TRowImage* savedRow = overrideRow_;
    state_ = dsFilter;
    overrideRow_ = &rows_[size_t(index)];
    bool accept = true;
    try {
        onFilterRecord_(*this, accept);
    } catch (...) {
        state_ = savedState;
        overrideRow_ = savedRow;
        ReportError(QStringLiteral("Filter Exception"));
    }
    state_ = savedState;
    overrideRow_ = savedRow;
    return accept;
}

int TMeral3Command::FindForward(int from)
{
    for (int i = std::max(from, 0);; ++i) {
        while (i >= RecordCount() && !allFetched_)
            FetchRows(-1);
        if (i >= RecordCount())
            return -1;
        if (RowAccepted(i))
            return i;
    }
}

int TMeral3Command::FindBackward(int from)
{
    for (int i = std::min(from, RecordCount() - 1); i >= 0; --i)
        if (RowAccepted(i))
            return i;
    return -1;
}

void TMeral3Command::MoveTo(int index, bool bof, bool eof)
{
    const bool moved = index != current_;
    current_ = index;
    bof_ = bof;
    eof_ = eof;
    if (moved)
        ForEachLink([](TDataLink* l) { l->DataSetScrolled(); });
}

void TMeral3Command::First()
{
    CheckActive();
    CheckBrowseMode();
    Fire(BeforeScroll, *this);
    const int count = RecordCount();
    GotoFirstAccepted();
    if (RecordCount() != count)
        ForEachLink([](TDataLink* l) { l->DataSetScrolled(); });
    Fire(AfterScroll, *this);
}

void TMeral3Command::GotoFirstAccepted()
{
    const int first = FindForward(0);
    MoveTo(first, true, first < 0);
}

void TMeral3Command::Next()
{
    CheckActive();
    CheckBrowseMode();
    Fire(BeforeScroll, *this);
    const int count = RecordCount();
    FetchRows(-1);  // every forward move reads one more batch ahead
    const int next = FindForward(current_ + 1);
    if (next >= 0)
        MoveTo(next, false, false);
    else
        eof_ = true;
    if (RecordCount() != count)
        ForEachLink([](TDataLink* l) { l->DataSetScrolled(); });
    Fire(AfterScroll, *this);
}

void TMeral3Command::Prior()
{
    CheckActive();
    CheckBrowseMode();
    Fire(BeforeScroll, *this);
    const int prior = FindBackward(current_ - 1);
    if (prior >= 0)
        MoveTo(prior, false, false);
    else
        bof_ = true;
    Fire(AfterScroll, *this);
}

void TMeral3Command::Last()
{
    CheckActive();
    CheckBrowseMode();
    Fire(BeforeScroll, *this);
    const int count = RecordCount();
    while (!allFetched_)
        FetchRows(-1);
    const int last = FindBackward(RecordCount() - 1);
    MoveTo(last, last < 0, true);
    if (RecordCount() != count)
        ForEachLink([](TDataLink* l) { l->DataSetScrolled(); });
    Fire(AfterScroll, *this);
}

void TMeral3Command::GotoIndex(int index)
{
    CheckActive();
    if (index < 0 || index >= RecordCount())
        ReportError(QStringLiteral("Record not found"));
    if (index == current_ && state_ == dsBrowse)
        return;
    CheckBrowseMode();
    Fire(BeforeScroll, *this);
    MoveTo(index, false, false);
    Fire(AfterScroll, *this);
}

void TMeral3Command::SetRecNo(int n)
{
    if (Active() && n >= 1 && n <= RecordCount())
        GotoIndex(n - 1);
}

TBookmark TMeral3Command::GetBookmark() const
{
    return Active() && current_ >= 0 ? rows_[size_t(current_)].Serial() : 0;
}

int TMeral3Command::IndexOfBookmark(TBookmark b) const
{
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].Serial() == b)
            return int(i);
    return -1;
}

void TMeral3Command::GotoBookmark(TBookmark b)
{
    const int index = b ? IndexOfBookmark(b) : -1;
    if (index < 0)
        ReportError(QStringLiteral("Record not found"));
    GotoIndex(index);
}

qint64 TMeral3Command::CurrentRowId() const
{
    if (!Active() || current_ < 0 || state_ == dsInsert)
        return -1;
    return rows_[size_t(current_)].RowId;
}

TMeral3Command::TRowScope::TRowScope(TMeral3Command& ds, int index) : ds_(ds), previous_(ds.overrideRow_)
{
    if (index < 0 || index >= ds.RecordCount())
        ds.ReportError(QStringLiteral("Record not found"));
    ds.overrideRow_ = &ds.rows_[size_t(index)];
}

TMeral3Command::TRowScope::~TRowScope()
{
    ds_.overrideRow_ = previous_;
}

// ---- Filtering ----

void TMeral3Command::SetFiltered(bool v)
{
    if (Active())
        CheckBrowseMode();
    const bool changed = v != filtered_;
    filtered_ = v;
    if (Active() && changed) {
        NotifyDataSetChanged();
        First();
    }
}

void TMeral3Command::SetOnFilterRecord(TFilterRecord handler)
{
    onFilterRecord_ = std::move(handler);
    if (Active() && filtered_) {
        CheckBrowseMode();
        NotifyDataSetChanged();
        First();
    }
}

// ---- Locate and lookup ----

bool TMeral3Command::RowMatches(int index, const std::vector<TField*>& keys, const QVariantList& values,
                                TLocateOptions options)
{
    TRowScope scope(*this, index);
    for (size_t k = 0; k < keys.size(); ++k) {
        const TField& f = *keys[k];
        const QVariant& v = k < size_t(values.size()) ? values[qsizetype(k)] : QVariant();
        if (v.isNull() || f.IsNull()) {
            if (v.isNull() != f.IsNull())
                return false;
            continue;
        }
        bool equal;
        if (IsTextType(f.DataType())) {
            QString text = f.AsString();
            const QString key = v.toString();
            if (options & loPartialKey)
                text.truncate(key.size());
            if (options & loCaseInsensitive) {
                QCollator collator;
                collator.setCaseSensitivity(Qt::CaseInsensitive);
                equal = collator.compare(text, key) == 0;
            } else {
                equal = text == key;
            }
        } else if (f.DataType() == ftFloat || f.DataType() == ftCurrency) {
            equal = f.AsFloat() == v.toDouble();
        } else if (f.DataType() == ftDate || f.DataType() == ftTime || f.DataType() == ftDateTime) {
            equal = f.AsDateTime() == v.toDateTime();
        } else if (f.DataType() == ftBoolean) {
            equal = f.AsBoolean() == v.toBool();
        } else if (f.IsBlob()) {
            equal = f.AsBytes() == v.toByteArray();
        } else {
            bool ok = false;
            const qint64 key = v.toLongLong(&ok);
            equal = ok && f.AsLargeInt() == key;
        }
        if (!equal)
            return false;
    }
    return true;
}

int TMeral3Command::SearchRow(const QString& keyFields, const QVariant& keyValues, TLocateOptions options)
{
    CheckActive();
    std::vector<TField*> keys;
    for (const QString& name : keyFields.split(u';', Qt::SkipEmptyParts))
        keys.push_back(&FieldByName(name.trimmed()));
    const QVariantList values = keys.size() == 1 && keyValues.typeId() != QMetaType::QVariantList
                                    ? QVariantList{keyValues}
                                    : keyValues.toList();
    if (current_ >= 0 && RowMatches(current_, keys, values, options))
        return current_;
    for (int i = FindForward(0); i >= 0; i = FindForward(i + 1))
        if (RowMatches(i, keys, values, options))
            return i;
    return -1;
}

bool TMeral3Command::Locate(const QString& keyFields, const QVariant& keyValues, TLocateOptions options)
{
    CheckActive();
    CheckBrowseMode();
    const int count = RecordCount();
    const int index = SearchRow(keyFields, keyValues, options);
    if (RecordCount() != count)
        ForEachLink([](TDataLink* l) { l->DataSetScrolled(); });
    if (index < 0)
        return false;
    Fire(BeforeScroll, *this);
    MoveTo(index, false, false);
    Fire(AfterScroll, *this);
    return true;
}

QVariant TMeral3Command::Lookup(const QString& keyFields, const QVariant& keyValues, const QString& resultFields)
{
    const int index = SearchRow(keyFields, keyValues, 0);
    if (index < 0)
        return QVariant();
    TRowScope scope(*this, index);
    const QStringList names = resultFields.split(u';', Qt::SkipEmptyParts);
    if (names.size() == 1)
        return FieldByName(names[0].trimmed()).Value();
    QVariantList result;
    for (const QString& name : names)
        result << FieldByName(name.trimmed()).Value();
    return result;
}

// ---- Editing ----

void TMeral3Command::SetState(TDataSetState s)
{
    if (state_ == s)
        return;
    state_ = s;
    ForEachLink([s](TDataLink* l) { l->StateChanged(s); });
}

const TRowImage* TMeral3Command::ActiveRow() const
{
    if (overrideRow_)
        return overrideRow_;
    switch (state_) {
    case dsInsert: return &workRow_;
    case dsBrowse:
    case dsEdit: return current_ >= 0 ? &rows_[size_t(current_)] : nullptr;
    default: return nullptr;
    }
}

void TMeral3Command::WriteField(TField& field, bool hasValue, QByteArrayView bytes, const QString& placeholderPrefix)
{
    if ((state_ != dsEdit && state_ != dsInsert) || overrideRow_)
        ReportError(QStringLiteral("Dataset not in edit or insert mode"));
    if (field.ReadOnly())
        ReportError(QStringLiteral("Field '%1' cannot be modified").arg(field.FieldName()));
    TRowImage& row = state_ == dsInsert ? workRow_ : rows_[size_t(current_)];
    row = row.WithSlot(field.Index(), hasValue, bytes);
    RecordChange(field, hasValue ? placeholderPrefix + QString::number(field.Index()) : QStringLiteral("NULL"));
    ForEachLink([&field](TDataLink* l) { l->RecordChanged(&field); });
}

void TMeral3Command::RecordChange(TField& field, const QString& placeholder)
{
    // Definitions stand in column order; a table's own rowid column, the last, has none.
    const QString column = field.FieldNo() > 0 ? fieldDefs_[size_t(field.FieldNo() - 1)].Name : field.FieldName();
    for (TChangedField& c : changedFields_)
        if (c.Column.compare(column, Qt::CaseInsensitive) == 0) {
            c.Placeholder = placeholder;
            return;
        }
    changedFields_.push_back({column, placeholder});
}

TDataAction TMeral3Command::ErrorAction(const TErrorEvent& handler, const EDatabaseError& e)
{
    TDataAction action = daFail;
    if (handler)
        handler(*this, e, action);
    return action;
}

void TMeral3Command::Edit()
{
    CheckActive();
    if (state_ == dsEdit || state_ == dsInsert)
        return;
    if (current_ < 0) {
        Insert();
        return;
    }
    for (;;) {
        try {
            Fire(BeforeEdit, *this);
            changedFields_.clear();
            workRow_ = rows_[size_t(current_)];
            break;
        } catch (const EDatabaseError& e) {
            const TDataAction action = ErrorAction(OnEditError, e);
            if (action == daAbort)
                return;
            if (action == daFail)
                throw;
        }
    }
    SetState(dsEdit);
    Fire(AfterEdit, *this);
}

void TMeral3Command::StartInsert()
{
    CheckActive();
    CheckBrowseMode();
    Fire(BeforeInsert, *this);
    changedFields_.clear();
    while (!allFetched_)
        FetchRows(-1);
    workRow_ = TRowImage(std::vector<TRowImage::Slot>(size_t(fields_.Count())), -1, nextSerial_++);
    SetState(dsInsert);
    Fire(OnNewRecord, *this);
    ForEachLink([](TDataLink* l) { l->RecordChanged(nullptr); });
    Fire(AfterInsert, *this);
}

void TMeral3Command::Insert()
{
    StartInsert();
}

void TMeral3Command::Append()
{
    StartInsert();
}

void TMeral3Command::CheckModifiable() const
{
    if (isView_)
        ReportError(QStringLiteral("Cannot modify a VIEW object!"));
    if (!requestLive_ || rowIdColumn_ < 0)
        ReportError(QStringLiteral("Cannot modify a read-only dataset"));
}

void TMeral3Command::CheckRequiredFields() const
{
    for (const auto& f : fields_)
        if (f->Required() && !f->ReadOnly() && f->IsNull())
            ReportError(QStringLiteral("Field '%1' must have a value").arg(f->FieldName()));
}

void TMeral3Command::RunChange(const QString& sql)
{
    TParams params;
    for (const TChangedField& c : changedFields_) {
        if (!c.Placeholder.startsWith(u':'))
            continue;
        const int index = c.Placeholder.mid(5).toInt();  // after ":PARA" or ":BLOB"
        SetParamFromField(params.Add(c.Placeholder.mid(1)), fields_[index]);
    }
    database_->ExecSQL(sql, &params);
    if (database_->Changes() <= 0)
        ReportError(QStringLiteral("Data write error, rows affected = 0!"));
}

void TMeral3Command::PostInsert()
{
    QStringList columns, values;
    for (const TChangedField& c : changedFields_) {
        columns << QuoteIdent(c.Column);
        values << c.Placeholder;
    }
    const QString table = QuoteIdent(TableFromSelect(statementText_, false));
    RunChange(QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") + columns.join(u',')
              + QStringLiteral(") VALUES(") + values.join(u',') + QStringLiteral(")"));
    TRowImage row = workRow_;
    row.RowId = database_->LastInsertRowId();
    // The engine gave an unset key column the rowid; show it.
    if (TField* key = rowIdAlias_.isEmpty() ? nullptr : FindField(rowIdAlias_);
        key && !row.HasValue(key->Index()) && key->DataType() != ftString && key->DataType() != ftWideString) {
        const qint64 id = row.RowId;
        row = row.WithSlot(key->Index(), true, QByteArrayView(reinterpret_cast<const char*>(&id), sizeof id));
    }
    rows_.push_back(std::move(row));
    current_ = RecordCount() - 1;
    bof_ = eof_ = false;
}

void TMeral3Command::PostUpdate()
{
    const qint64 rowId = rows_[size_t(current_)].RowId;
    if (rowId < 0)
        ReportError(QStringLiteral("Cannot post, current rowid is not available!"));
    if (changedFields_.empty())
        return;  // nothing was written: no statement to send
    QString sets;
    for (const TChangedField& c : changedFields_)
        sets += QuoteIdent(c.Column) + u'=' + c.Placeholder + u',';
    sets.chop(1);
    const QString table = QuoteIdent(TableFromSelect(statementText_, false));
    try {
        RunChange(QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") + sets
                  + QStringLiteral(" WHERE _rowid_=") + QString::number(rowId));
    } catch (...) {
        rows_[size_t(current_)] = workRow_;
        ForEachLink([](TDataLink* l) { l->RecordChanged(nullptr); });
        throw;
    }
    if (TField* key = rowIdAlias_.isEmpty() ? nullptr : FindField(rowIdAlias_); key && !key->IsNull()) {
        if (const qint64 id = key->AsLargeInt(); id != rowId)
            rows_[size_t(current_)].RowId = id;
    }
}

void TMeral3Command::Post()
{
    CheckActive();
    if (state_ != dsEdit && state_ != dsInsert)
        ReportError(QStringLiteral("Dataset not in edit or insert mode"));
    Fire(BeforePost, *this);
    const bool inserting = state_ == dsInsert;
    for (;;) {
        try {
            CheckModifiable();
            CheckRequiredFields();
            if (inserting)
                PostInsert();
            else
                PostUpdate();
            break;
        } catch (const EDatabaseError& e) {
            const TDataAction action = ErrorAction(OnPostError, e);
            if (action == daAbort)
                return;  // the edit stays open, as after a failure
            if (action == daFail)
                throw;
        }
    }
    changedFields_.clear();
    workRow_ = TRowImage();
    SetState(dsBrowse);
    if (inserting)
        NotifyDataSetChanged();
    else
        ForEachLink([](TDataLink* l) { l->RecordChanged(nullptr); });
    Fire(AfterPost, *this);
    DoAfterPost();
}

void TMeral3Command::Cancel()
{
    if (state_ != dsEdit && state_ != dsInsert)
        return;
    Fire(BeforeCancel, *this);
    if (state_ == dsEdit)
        rows_[size_t(current_)] = workRow_;
    workRow_ = TRowImage();
    changedFields_.clear();
    SetState(dsBrowse);
    ForEachLink([](TDataLink* l) { l->RecordChanged(nullptr); });
    Fire(AfterCancel, *this);
}

void TMeral3Command::CheckBrowseMode()
{
    if (state_ != dsEdit && state_ != dsInsert)
        return;
    if (changedFields_.empty())
        Cancel();
    else
        Post();
}

void TMeral3Command::Delete()
{
    CheckActive();
    if (state_ == dsInsert) {
        Cancel();
        return;
    }
    if (current_ < 0)
        ReportError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    Fire(BeforeDelete, *this);
    Fire(BeforeScroll, *this);
    for (;;) {
        try {
            CheckModifiable();
            const qint64 rowId = rows_[size_t(current_)].RowId;
            if (rowId < 0)
                ReportError(QStringLiteral("Cannot post, current rowid is not available!"));
            database_->ExecSQL(QStringLiteral("DELETE FROM ") + QuoteIdent(TableFromSelect(statementText_, false))
                               + QStringLiteral(" WHERE _rowid_=") + QString::number(rowId));
            break;
        } catch (const EDatabaseError& e) {
            const TDataAction action = ErrorAction(OnDeleteError, e);
            if (action == daAbort)
                return;
            if (action == daFail)
                throw;
        }
    }
    if (state_ == dsEdit) {
        workRow_ = TRowImage();
        changedFields_.clear();
    }
    const int removed = current_;
    rows_.erase(rows_.begin() + removed);
    current_ = -1;
    int next = FindForward(removed);
    if (next < 0)
        next = FindBackward(removed - 1);
    current_ = next;
    bof_ = next < 0;
    eof_ = next < 0;
    SetState(dsBrowse);
    NotifyDataSetChanged();
    Fire(AfterDelete, *this);
    Fire(AfterScroll, *this);
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
        database_->FinalizeStatement(statement_);
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

template <typename F> void TMeral3Command::ForEachLink(F f)
{
    if (disableCount_ > 0)
        return;
    const std::vector<TDataLink*> links = links_;  // a view may unregister while being told
    for (TDataLink* link : links)
        if (std::find(links_.begin(), links_.end(), link) != links_.end())
            f(link);
}

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

std::unique_ptr<TMeral3BlobStream> TMeral3Command::CreateBlobStream(TField& field, QIODevice::OpenMode mode)
{
    return std::make_unique<TMeral3BlobStream>(field, mode);
}

// ---- TMeral3BlobStream ----

TMeral3BlobStream::TMeral3BlobStream(TField& field, QIODevice::OpenMode mode) : field_(field)
{
    TMeral3Command& ds = field.DataSet();
    if (!field.IsBlob())
        ds.ReportError(QStringLiteral("Field '%1' is not a blob field").arg(field.FieldName()));
    if (mode & QIODevice::WriteOnly) {
        if (ds.State() != dsEdit && ds.State() != dsInsert)
            ds.ReportError(QStringLiteral("Dataset not in edit or insert mode"));
        if (field.ReadOnly())
            ds.ReportError(QStringLiteral("Field '%1' cannot be modified").arg(field.FieldName()));
        written_ = true;
        QIODevice::open(QIODevice::WriteOnly);
    } else {
        data_ = field.AsBytes();
        QIODevice::open(QIODevice::ReadOnly);
    }
}

TMeral3BlobStream::~TMeral3BlobStream()
{
    try {
        close();
    } catch (...) {
        // The record set left edit mode before the stream was closed; nothing can be stored.
    }
}

void TMeral3BlobStream::close()
{
    if (!isOpen())
        return;
    const bool commit = written_;
    written_ = false;
    QIODevice::close();
    if (commit)
        Commit();
}

void TMeral3BlobStream::Commit()
{
    if (data_.isEmpty())
        field_.DataSet().WriteField(field_, false, {}, QString());
    else
        field_.DataSet().WriteField(field_, true, data_, QStringLiteral(":BLOB"));
}

qint64 TMeral3BlobStream::readData(char* data, qint64 maxSize)
{
    const qint64 at = pos();
    if (at >= data_.size())
        return 0;
    const qint64 n = std::min(maxSize, data_.size() - at);
    std::memcpy(data, data_.constData() + at, size_t(n));
    return n;
}

qint64 TMeral3BlobStream::writeData(const char* data, qint64 size)
{
    data_.append(data, size);
    return size;
}
