#include "sql3_exec.h"

#include "sql3_api.h"
#include "sql3_utils.h"

#include <QRegularExpression>

TMeral3Exec::TMeral3Exec(TMeral3Database* database)
{
    SetDatabase(database);
}

TMeral3Exec::~TMeral3Exec()
{
    SetDatabase(nullptr);
}

void TMeral3Exec::SetCommandText(const QString& text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    commandText_ = text.split(lineBreak);
    if (commandText_.size() > 1 && commandText_.back().isEmpty())
        commandText_.removeLast();  // a final line break ends the last line, it adds none
}

void TMeral3Exec::Execute()
{
    if (!database_)
        ReportError(QStringLiteral("Missing Database property!"));
    if (!database_->Connected())
        ReportError(QStringLiteral("Not connected!"));
    const QString text = commandText_.join(QStringLiteral("\r\n"));
    CheckStatementText(text);
    const QByteArray script = database_->EncodeText(text);
    if (inTransaction_)
        database_->StartTransaction(tmDefault);

    const Sqlite3Api& api = database_->Api();
    char* error = nullptr;
    callbackError_ = nullptr;
    resultCode_ = api.exec(database_->Handle(), script.constData(), OnFetchRecord ? &RowCallback : nullptr, this, &error);
    if (resultCode_ == 0) {
        if (inTransaction_)
            database_->Commit();
        return;
    }
    const QString message = error ? database_->DecodeText(error) : QStringLiteral("Unknown error");
    if (error)
        api.free(error);
    if (inTransaction_) {
        try {
            database_->Rollback();
        } catch (const EDatabaseError&) {
            // The script's own failure is the one to report.
        }
    }
    if (callbackError_)
        std::rethrow_exception(std::exchange(callbackError_, nullptr));
    ReportError(message);
}

int TMeral3Exec::RowCallback(void* self, int count, char** values, char** names)
{
    return static_cast<TMeral3Exec*>(self)->FetchRecord(count, values, names);
}

int TMeral3Exec::FetchRecord(int count, char** values, char** names)
{
    // No exception may cross the engine's C frames: keep it, abandon the script, raise it after.
    try {
        QStringList nameList, valueList;
        for (int i = 0; i < count; ++i) {
            nameList << database_->DecodeText(names[i]);
            valueList << database_->DecodeText(values[i]);
        }
        bool stop = false;
        OnFetchRecord(*this, count, stop, nameList, valueList);
        return stop ? 1 : 0;
    } catch (...) {
        callbackError_ = std::current_exception();
        return 1;
    }
}
