#include "sql3_defs.h"

#include "sql3_api.h"

#include <utility>

namespace {

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

}  // namespace

// ---- statement holder ----

TStatementHolder::TStatementHolder(TMeral3Database& database, sqlite3_stmt* statement)
    : database_(&database), statement_(statement)
{
}

TStatementHolder::~TStatementHolder()
{
    Reset();
}

TStatementHolder::TStatementHolder(TStatementHolder&& other) noexcept
    : database_(other.database_), statement_(std::exchange(other.statement_, nullptr))
{
}

TStatementHolder& TStatementHolder::operator=(TStatementHolder&& other) noexcept
{
    if (this != &other) {
        Reset();
        database_ = other.database_;
        statement_ = std::exchange(other.statement_, nullptr);
    }
    return *this;
}

void TStatementHolder::Step()
{
    try {
        database_->StepStatement(statement_);
    } catch (...) {
        statement_ = nullptr;  // a failed step has finalized it
        throw;
    }
}

void TStatementHolder::Finalize()
{
    if (database_)
        database_->FinalizeStatement(statement_);
}

void TStatementHolder::Reset() noexcept
{
    // Quietly: the engine repeats here the error of a failed step, which was reported when it happened.
    if (statement_ && database_->library_)
        database_->library_->api.finalize(statement_);
    statement_ = nullptr;
}

sqlite3_stmt* TStatementHolder::Release()
{
    return std::exchange(statement_, nullptr);
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
