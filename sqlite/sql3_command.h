#pragma once

// The record-set engine shared by queries and tables: runs one statement, fetches its rows lazily
// into row images, keeps a current row, and writes edits, new rows and deletions back by rowid.
// Bound views follow a record set through TDataLink.

#include "sql3_blobstream.h"
#include "sql3_defs.h"
#include "sql3_fields.h"
#include "sql3_rowimage.h"

#include <QByteArray>
#include <QIODevice>
#include <QVariant>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert, dsFilter };
enum TCommandKind { ckCommand, ckQuery, ckTable };
enum TDataAction { daFail, daAbort, daRetry };
enum TLocateOption { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = int;  // TLocateOption values or-ed together
using TBookmark = uint32_t;   // 0 names no row

class TMeral3Command;

// A bound view's side of a record set: every view (grid model, edit box) implements the calls it
// needs. A link unregisters itself when destroyed; a record set destroyed first clears DataSet().
class TDataLink {
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TMeral3Command* DataSet() const { return dataSet_; }
    void SetDataSet(TMeral3Command* dataSet);

    virtual void ActiveChanged(bool /*active*/) {}
    virtual void DataSetChanged() {}               // rows re-read, inserted or deleted
    virtual void RecordChanged(TField* /*field*/) {}  // a value of the current row; null: whole row
    virtual void DataSetScrolled() {}              // another row became current, or rows were fetched
    virtual void StateChanged(TDataSetState /*state*/) {}

private:
    friend class TMeral3Command;
    TMeral3Command* dataSet_ = nullptr;
};

// An entry of the edit log: the column written and its placeholder (":PARA<n>", ":BLOB<n>", "NULL").
struct TChangedField {
    QString Column;
    QString Placeholder;
};

class TMeral3Command : public TMeral3Component, public TMeral3Dependent {
public:
    using TNotify = std::function<void(TMeral3Command&)>;
    using TFilterRecord = std::function<void(TMeral3Command&, bool& accept)>;
    using TErrorEvent = std::function<void(TMeral3Command&, const EDatabaseError&, TDataAction&)>;

    explicit TMeral3Command(TCommandKind kind);
    ~TMeral3Command() override;
    TMeral3Command(const TMeral3Command&) = delete;
    TMeral3Command& operator=(const TMeral3Command&) = delete;

    TCommandKind CommandKind() const { return kind_; }
    TMeral3Database* Database() const { return database_; }
    void SetDatabase(TMeral3Database* db);
    const QString& StatementText() const { return statementText_; }
    void SetStatementText(const QString& text);
    TParams& Params() { return params_; }
    bool RequestLive() const { return requestLive_; }
    void SetRequestLive(bool v) { requestLive_ = v; }
    bool FetchBlobs() const { return fetchBlobs_; }
    void SetFetchBlobs(bool v) { fetchBlobs_ = v; }
    bool AutoCalcFields() const { return autoCalcFields_; }
    void SetAutoCalcFields(bool v) { autoCalcFields_ = v; }
    bool Filtered() const { return filtered_; }
    virtual void SetFiltered(bool v);
    void SetOnFilterRecord(TFilterRecord handler);
    const TFilterRecord& OnFilterRecord() const { return onFilterRecord_; }

    TNotify BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeScroll, AfterScroll, OnCalcFields,
        BeforeInsert, AfterInsert, BeforeEdit, AfterEdit, BeforePost, AfterPost, BeforeCancel,
        AfterCancel, BeforeDelete, AfterDelete, OnNewRecord;
    TErrorEvent OnDeleteError, OnEditError, OnPostError;

    // Lifecycle.
    bool Active() const { return state_ != dsInactive; }
    void SetActive(bool v);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    TDataSetState State() const { return state_; }

    // Navigation.
    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    bool IsEmpty() const { return !Active() || (current_ < 0 && state_ != dsInsert); }
    int RecordCount() const { return int(rows_.size()); }
    int RecNo() const { return current_ + 1 > 0 ? current_ + 1 : 1; }
    void SetRecNo(int n);
    TBookmark GetBookmark() const;
    bool BookmarkValid(TBookmark b) const { return b != 0 && IndexOfBookmark(b) >= 0; }
    void GotoBookmark(TBookmark b);  // raises "Record not found"
    static bool SameBookmark(TBookmark a, TBookmark b) { return a == b; }
    bool Locate(const QString& keyFields, const QVariant& keyValues, TLocateOptions options = 0);
    QVariant Lookup(const QString& keyFields, const QVariant& keyValues, const QString& resultFields);
    qint64 CurrentRowId() const;

    // Fields.
    const std::vector<TFieldDef>& FieldDefs() const { return fieldDefs_; }
    TFields& Fields() { return fields_; }
    TField& FieldByName(const QString& name) const { return fields_.FieldByName(name); }
    TField* FindField(const QString& name) const { return fields_.FindField(name); }
    // A persistent field: made before opening, kept across opens, bound to its column by name.
    TField& CreateField(const QString& name, TFieldType type, int size = 0);

    // Changes.
    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    void CheckBrowseMode();  // posts a pending edit
    const std::vector<TChangedField>& ChangedFields() const { return changedFields_; }
    virtual void Refresh();
    std::unique_ptr<TMeral3BlobStream> CreateBlobStream(TField& field, QIODevice::OpenMode mode);

    // Bound views.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }

    // Row-level access for views that show many rows at once (the grid model).
    bool AllFetched() const { return allFetched_; }
    void FetchBatch();                 // one more batch of rows (nothing when all are fetched)
    int CurrentIndex() const { return current_; }
    void GotoIndex(int index);         // makes a fetched row current, with the scroll notifications
    bool RowAccepted(int index);       // the filter handler's verdict (true when not filtered)
    // While alive, the fields read the given fetched row; nothing is notified.
    class TRowScope {
    public:
        TRowScope(TMeral3Command& ds, int index);
        ~TRowScope();
        TRowScope(const TRowScope&) = delete;
        TRowScope& operator=(const TRowScope&) = delete;

    private:
        TMeral3Command& ds_;
        const TRowImage* previous_;
    };

    const QString& RowIdAlias() const { return rowIdAlias_; }
    int RowIdColumn() const { return rowIdColumn_; }
    bool SkipReposition() const { return skipReposition_; }
    void SetSkipReposition(bool v) { skipReposition_ = v; }
    bool IsView() const { return isView_; }

    // TMeral3Dependent
    void DatabaseDisconnecting() override;
    void DatabaseDestroyed() override;

protected:
    // Hooks of the kinds: work before the statement runs, after the field definitions are made,
    // and after a successful post.
    virtual void DoBeforeOpen() {}
    virtual void DoAfterFieldDefs() {}
    virtual void DoAfterPost() {}
    virtual bool SkipsLastColumn() const { return false; }
    void SetIsView(bool v) { isView_ = v; }
    void InstallStatementText(const QString& text);  // replaces the text without closing
    void CheckActive() const;
    void NotifyDataSetChanged();
    void GotoFirstAccepted();
    void SetFilteredFlag(bool v) { filtered_ = v; }

private:
    friend class TField;
    friend class TMeral3BlobStream;
    friend class TDataLink;

    void DoOpen();
    void DoClose();
    void OpenStatement();
    void MakeFieldDefs();
    void BindFields();
    void ReleaseRows();
    void FetchRows(qint64 wantedRowId);
    void StepStatement();
    void AppendCurrentRow();
    TRowImage::Slot ReadSlot(int field);  // of the statement's current row; fixed-size values go to fixed_
    int FindForward(int from);
    int FindBackward(int from);
    int IndexOfBookmark(TBookmark b) const;
    void MoveTo(int index, bool bof, bool eof);
    int SearchRow(const QString& keyFields, const QVariant& keyValues, TLocateOptions options);
    bool RowMatches(int index, const std::vector<TField*>& keys, const QVariantList& values,
                    TLocateOptions options);
    void SetState(TDataSetState s);
    void CheckModifiable() const;
    void CheckRequiredFields() const;
    void RunChange(const QString& sql);
    void PostInsert();
    void PostUpdate();
    // Runs one attempt of Edit, Post or Delete until it succeeds, asking `handler` about each
    // database error: daRetry runs it again, daAbort gives up quietly (false), daFail raises.
    bool RetryOnError(const TErrorEvent& handler, const std::function<void()>& attempt);
    void StartInsert();

    // Fields' access to the row they read and write.
    const TRowImage* ActiveRow() const;
    void WriteField(TField& field, bool hasValue, QByteArrayView bytes, const QString& placeholderPrefix);
    void RecordChange(TField& field, const QString& placeholder);

    template <typename F> void ForEachLink(F f);

    TCommandKind kind_;
    TMeral3Database* database_ = nullptr;
    QString statementText_;
    TParams params_;
    bool requestLive_ = false;
    bool fetchBlobs_ = true;
    bool autoCalcFields_ = true;
    bool filtered_ = false;
    bool skipReposition_ = false;
    bool isView_ = false;
    TFilterRecord onFilterRecord_;

    TDataSetState state_ = dsInactive;
    TStatementHolder statement_;
    int columnCount_ = 0;
    std::vector<TFieldDef> fieldDefs_;
    std::vector<int> fieldColumns_;  // 0-based result column of each field
    TFields fields_;
    std::vector<TRowImage> rows_;
    std::vector<TRowImage::Slot> scratch_;
    std::vector<std::array<char, 8>> fixed_;
    int current_ = -1;
    bool bof_ = true;
    bool eof_ = true;
    bool allFetched_ = true;
    uint32_t nextSerial_ = 1;
    QString rowIdAlias_;
    int rowIdColumn_ = -1;
    TRowImage workRow_;
    std::vector<TChangedField> changedFields_;
    const TRowImage* overrideRow_ = nullptr;  // filter state and row scopes
    int disableCount_ = 0;
    std::vector<TDataLink*> links_;
};
