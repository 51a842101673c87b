#pragma once

// Private to the SQLite access layer: the table of engine functions bound at run time and the
// loaded library that owns it. The signatures are checked against the engine header in
// sql3_api.cpp, the one place that includes it.

#include "sql3_defs.h"

#include <QString>

#include <cstdint>
#include <memory>

// Result codes, value types and text representations the layer needs without the engine header.
namespace sq3 {
constexpr int OK = 0;
constexpr int ABORT = 4;
constexpr int CANTOPEN = 14;
constexpr int ROW = 100;
constexpr int DONE = 101;
constexpr int INTEGER = 1;
constexpr int FLOAT = 2;
constexpr int TEXT = 3;
constexpr int BLOB = 4;
constexpr int NULL_VALUE = 5;
constexpr int UTF8 = 1;
constexpr int UTF16LE = 2;
constexpr int UTF16BE = 3;
using Destructor = void (*)(void*);
// The engine copies bytes bound with this destructor before the bind call returns.
inline Destructor Transient() { return reinterpret_cast<Destructor>(static_cast<intptr_t>(-1)); }
}  // namespace sq3

struct Sqlite3Api {
    using Compare = int (*)(void*, int, const void*, int, const void*);
    using ExecCallback = int (*)(void*, int, char**, char**);

    int (*open)(const char*, sqlite3**);
    int (*close)(sqlite3*);
    const char* (*libversion)();
    const char* (*errmsg)(sqlite3*);
    int (*get_table)(sqlite3*, const char*, char***, int*, int*, char**);
    void (*free_table)(char**);
    void (*free)(void*);
    long long (*last_insert_rowid)(sqlite3*);
    int (*changes)(sqlite3*);
    int (*exec)(sqlite3*, const char*, ExecCallback, void*, char**);
    int (*get_autocommit)(sqlite3*);
    int (*prepare_v2)(sqlite3*, const char*, int, sqlite3_stmt**, const char**);
    int (*prepare16)(sqlite3*, const void*, int, sqlite3_stmt**, const void**);
    int (*finalize)(sqlite3_stmt*);
    int (*step)(sqlite3_stmt*);
    const void* (*column_blob)(sqlite3_stmt*, int);
    int (*column_bytes)(sqlite3_stmt*, int);
    int (*column_count)(sqlite3_stmt*);
    const char* (*column_decltype)(sqlite3_stmt*, int);
    double (*column_double)(sqlite3_stmt*, int);
    int (*column_int)(sqlite3_stmt*, int);
    long long (*column_int64)(sqlite3_stmt*, int);
    const char* (*column_name)(sqlite3_stmt*, int);
    const unsigned char* (*column_text)(sqlite3_stmt*, int);
    const void* (*column_text16)(sqlite3_stmt*, int);
    int (*column_type)(sqlite3_stmt*, int);
    int (*bind_blob)(sqlite3_stmt*, int, const void*, int, sq3::Destructor);
    int (*bind_text)(sqlite3_stmt*, int, const char*, int, sq3::Destructor);
    int (*bind_text16)(sqlite3_stmt*, int, const void*, int, sq3::Destructor);
    int (*bind_int)(sqlite3_stmt*, int, int);
    int (*bind_int64)(sqlite3_stmt*, int, long long);
    int (*bind_double)(sqlite3_stmt*, int, double);
    int (*bind_null)(sqlite3_stmt*, int);
    int (*bind_parameter_count)(sqlite3_stmt*);
    int (*bind_parameter_index)(sqlite3_stmt*, const char*);
    const char* (*bind_parameter_name)(sqlite3_stmt*, int);
    int (*create_collation)(sqlite3*, const char*, int, void*, Compare);
    int (*create_collation16)(sqlite3*, const void*, int, void*, Compare);
};

// A loaded engine library with its complete function table; unloading happens on destruction.
struct TMeral3Database::Library {
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    ~Library();

    // Loads the file and binds every function, or gives nullptr: a table that misses a
    // function is never handed out.
    static std::unique_ptr<Library> Bind(const QString& path);

    Sqlite3Api api{};

private:
    explicit Library(void* handle) : handle_(handle) {}
    void* handle_;
};

// The "NATIVE" collation, one comparison per text representation the engine hands over:
// Windows-1250 bytes, UTF-16 in the machine's byte order, and UTF-16 in the other byte order.
// The bytes are compared with NativeCollator()'s weights prepared once (the user-data argument is
// &NativeCodePageOrder()); UTF-16 text with the QCollator itself (the user-data argument).
class TCodePageOrder;
const TCodePageOrder& NativeCodePageOrder();
int NativeCompareCodePage(void* order, int length1, const void* text1, int length2, const void* text2);
int NativeCompareUtf16(void* collator, int length1, const void* text1, int length2, const void* text2);
int NativeCompareUtf16Swapped(void* collator, int length1, const void* text1, int length2, const void* text2);
