#include "sql3_command_p.h"

#include "sql3_utils.h"

namespace {

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

bool TMeral3Command::RetryOnError(const TErrorEvent& handler, const std::function<void()>& attempt)
{
    for (;;) {
        try {
            attempt();
            return true;
        } catch (const EDatabaseError& e) {
            TDataAction action = daFail;
            if (handler)
                handler(*this, e, action);
            if (action == daAbort)
                return false;
            if (action == daFail)
                throw;
        }
    }
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
    const bool started = RetryOnError(OnEditError, [this] {
        Fire(BeforeEdit, *this);
        changedFields_.clear();
        workRow_ = rows_[size_t(current_)];
    });
    if (!started)
        return;
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
    RunChange(QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") + sets + QStringLiteral(" WHERE _rowid_=")
              + QString::number(rowId));
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
    // A refused update shows the stored values again, but only once the post is given up: a retry
    // sends the edited values (which the error handler may have repaired), not the stored ones.
    bool refused = false;
    const auto restoreRefused = [this, &refused] {
        if (!refused)
            return;
        rows_[size_t(current_)] = workRow_;
        ForEachLink([](TDataLink* l) { l->RecordChanged(nullptr); });
    };
    bool posted = false;
    try {
        posted = RetryOnError(OnPostError, [this, inserting, &refused] {
            refused = false;
            CheckModifiable();
            CheckRequiredFields();
            if (inserting) {
                PostInsert();
                return;
            }
            try {
                PostUpdate();
            } catch (...) {
                refused = true;
                throw;
            }
        });
    } catch (...) {
        restoreRefused();
        throw;
    }
    if (!posted) {
        restoreRefused();
        return;  // the edit stays open, as after a failure
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
    const bool deleted = RetryOnError(OnDeleteError, [this] {
        CheckModifiable();
        const qint64 rowId = rows_[size_t(current_)].RowId;
        if (rowId < 0)
            ReportError(QStringLiteral("Cannot post, current rowid is not available!"));
        database_->ExecSQL(QStringLiteral("DELETE FROM ") + QuoteIdent(TableFromSelect(statementText_, false))
                           + QStringLiteral(" WHERE _rowid_=") + QString::number(rowId));
    });
    if (!deleted)
        return;
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
