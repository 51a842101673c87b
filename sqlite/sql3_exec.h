#pragma once

// Runs a whole SQL script in one engine call, optionally in its own transaction and optionally
// handing every result row to OnFetchRecord.

#include "sql3_defs.h"

#include <QString>
#include <QStringList>

#include <exception>
#include <functional>

class TMeral3Exec;

// Arguments: the executor, the column count, a stop flag (set it to abandon the script), the
// column names and the values (a NULL value is an empty text).
using TMeral3OnRecord =
    std::function<void(TMeral3Exec& sender, int columnCount, bool& stop, const QStringList& names,
                       const QStringList& values)>;

class TMeral3Exec : public TMeral3Component, public TMeral3Dependent {
public:
    explicit TMeral3Exec(TMeral3Database* database = nullptr);
    ~TMeral3Exec() override;
    TMeral3Exec(const TMeral3Exec&) = delete;
    TMeral3Exec& operator=(const TMeral3Exec&) = delete;

    TMeral3Database* Database() const { return database_; }
    void SetDatabase(TMeral3Database* database) { SwitchDatabase(database_, database); }
    const QStringList& CommandText() const { return commandText_; }
    void SetCommandText(const QStringList& lines) { commandText_ = lines; }
    void SetCommandText(const QString& text);  // split into lines at CR LF, LF or CR
    bool InTransaction() const { return inTransaction_; }
    void SetInTransaction(bool value) { inTransaction_ = value; }
    TMeral3OnRecord OnFetchRecord;

    // Runs the lines joined with CR LF. The connection must be open.
    void Execute();
    int ResultCode() const { return resultCode_; }

    void DatabaseDisconnecting() override {}
    void DatabaseDestroyed() override { database_ = nullptr; }

private:
    static int RowCallback(void* self, int count, char** values, char** names);
    int FetchRecord(int count, char** values, char** names);

    TMeral3Database* database_ = nullptr;
    QStringList commandText_;
    bool inTransaction_ = false;
    int resultCode_ = 0;
    std::exception_ptr callbackError_;
};
