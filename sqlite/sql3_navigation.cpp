#include "sql3_command_p.h"

#include <QCollator>

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
