#include "sql3_api.h"

#include <QFile>

#include <dlfcn.h>
#include <sqlite3.h>

#include <type_traits>

namespace {

// Every slot must have the engine's own signature.
#define REGALON_CHECK_SLOT(slot, fn) \
    static_assert(std::is_same_v<decltype(Sqlite3Api::slot), decltype(&fn)>, #fn " signature differs")
REGALON_CHECK_SLOT(open, sqlite3_open);
REGALON_CHECK_SLOT(close, sqlite3_close);
REGALON_CHECK_SLOT(libversion, sqlite3_libversion);
REGALON_CHECK_SLOT(errmsg, sqlite3_errmsg);
REGALON_CHECK_SLOT(get_table, sqlite3_get_table);
REGALON_CHECK_SLOT(free_table, sqlite3_free_table);
REGALON_CHECK_SLOT(free, sqlite3_free);
REGALON_CHECK_SLOT(last_insert_rowid, sqlite3_last_insert_rowid);
REGALON_CHECK_SLOT(changes, sqlite3_changes);
REGALON_CHECK_SLOT(exec, sqlite3_exec);
REGALON_CHECK_SLOT(get_autocommit, sqlite3_get_autocommit);
REGALON_CHECK_SLOT(prepare_v2, sqlite3_prepare_v2);
REGALON_CHECK_SLOT(prepare16, sqlite3_prepare16);
REGALON_CHECK_SLOT(finalize, sqlite3_finalize);
REGALON_CHECK_SLOT(step, sqlite3_step);
REGALON_CHECK_SLOT(column_blob, sqlite3_column_blob);
REGALON_CHECK_SLOT(column_bytes, sqlite3_column_bytes);
REGALON_CHECK_SLOT(column_count, sqlite3_column_count);
REGALON_CHECK_SLOT(column_decltype, sqlite3_column_decltype);
REGALON_CHECK_SLOT(column_double, sqlite3_column_double);
REGALON_CHECK_SLOT(column_int, sqlite3_column_int);
REGALON_CHECK_SLOT(column_int64, sqlite3_column_int64);
REGALON_CHECK_SLOT(column_name, sqlite3_column_name);
REGALON_CHECK_SLOT(column_text, sqlite3_column_text);
REGALON_CHECK_SLOT(column_text16, sqlite3_column_text16);
REGALON_CHECK_SLOT(column_type, sqlite3_column_type);
REGALON_CHECK_SLOT(bind_blob, sqlite3_bind_blob);
REGALON_CHECK_SLOT(bind_text, sqlite3_bind_text);
REGALON_CHECK_SLOT(bind_text16, sqlite3_bind_text16);
REGALON_CHECK_SLOT(bind_int, sqlite3_bind_int);
REGALON_CHECK_SLOT(bind_int64, sqlite3_bind_int64);
REGALON_CHECK_SLOT(bind_double, sqlite3_bind_double);
REGALON_CHECK_SLOT(bind_null, sqlite3_bind_null);
REGALON_CHECK_SLOT(bind_parameter_count, sqlite3_bind_parameter_count);
REGALON_CHECK_SLOT(bind_parameter_index, sqlite3_bind_parameter_index);
REGALON_CHECK_SLOT(bind_parameter_name, sqlite3_bind_parameter_name);
REGALON_CHECK_SLOT(create_collation, sqlite3_create_collation);
REGALON_CHECK_SLOT(create_collation16, sqlite3_create_collation16);
#undef REGALON_CHECK_SLOT

static_assert(sq3::OK == SQLITE_OK && sq3::ABORT == SQLITE_ABORT && sq3::CANTOPEN == SQLITE_CANTOPEN);
static_assert(sq3::ROW == SQLITE_ROW && sq3::DONE == SQLITE_DONE);
static_assert(sq3::INTEGER == SQLITE_INTEGER && sq3::FLOAT == SQLITE_FLOAT && sq3::TEXT == SQLITE_TEXT);
static_assert(sq3::BLOB == SQLITE_BLOB && sq3::NULL_VALUE == SQLITE_NULL);
static_assert(sq3::UTF8 == SQLITE_UTF8 && sq3::UTF16LE == SQLITE_UTF16LE && sq3::UTF16BE == SQLITE_UTF16BE);

template <typename Fn>
bool Lookup(void* handle, const char* name, Fn& slot)
{
    slot = reinterpret_cast<Fn>(dlsym(handle, name));
    return slot != nullptr;
}

bool BindAll(void* h, Sqlite3Api& a)
{
    // The order of the lookups is the order of the binding's failure reports.
    return Lookup(h, "sqlite3_open", a.open) && Lookup(h, "sqlite3_close", a.close)
        && Lookup(h, "sqlite3_libversion", a.libversion) && Lookup(h, "sqlite3_errmsg", a.errmsg)
        && Lookup(h, "sqlite3_get_table", a.get_table) && Lookup(h, "sqlite3_free_table", a.free_table)
        && Lookup(h, "sqlite3_free", a.free) && Lookup(h, "sqlite3_last_insert_rowid", a.last_insert_rowid)
        && Lookup(h, "sqlite3_changes", a.changes) && Lookup(h, "sqlite3_exec", a.exec)
        && Lookup(h, "sqlite3_get_autocommit", a.get_autocommit)
        && (Lookup(h, "sqlite3_prepare_v2", a.prepare_v2) || Lookup(h, "sqlite3_prepare", a.prepare_v2))
        && Lookup(h, "sqlite3_prepare16", a.prepare16) && Lookup(h, "sqlite3_finalize", a.finalize)
        && Lookup(h, "sqlite3_step", a.step) && Lookup(h, "sqlite3_column_blob", a.column_blob)
        && Lookup(h, "sqlite3_column_bytes", a.column_bytes) && Lookup(h, "sqlite3_column_count", a.column_count)
        && Lookup(h, "sqlite3_column_decltype", a.column_decltype)
        && Lookup(h, "sqlite3_column_double", a.column_double) && Lookup(h, "sqlite3_column_int", a.column_int)
        && Lookup(h, "sqlite3_column_int64", a.column_int64) && Lookup(h, "sqlite3_column_name", a.column_name)
        && Lookup(h, "sqlite3_column_text", a.column_text) && Lookup(h, "sqlite3_column_text16", a.column_text16)
        && Lookup(h, "sqlite3_column_type", a.column_type) && Lookup(h, "sqlite3_bind_blob", a.bind_blob)
        && Lookup(h, "sqlite3_bind_text", a.bind_text) && Lookup(h, "sqlite3_bind_text16", a.bind_text16)
        && Lookup(h, "sqlite3_bind_int", a.bind_int) && Lookup(h, "sqlite3_bind_int64", a.bind_int64)
        && Lookup(h, "sqlite3_bind_double", a.bind_double) && Lookup(h, "sqlite3_bind_null", a.bind_null)
        && Lookup(h, "sqlite3_bind_parameter_count", a.bind_parameter_count)
        && Lookup(h, "sqlite3_bind_parameter_index", a.bind_parameter_index)
        && Lookup(h, "sqlite3_bind_parameter_name", a.bind_parameter_name)
        && Lookup(h, "sqlite3_create_collation", a.create_collation)
        && Lookup(h, "sqlite3_create_collation16", a.create_collation16);
}

}  // namespace

TMeral3Database::Library::~Library()
{
    dlclose(handle_);
}

std::unique_ptr<TMeral3Database::Library> TMeral3Database::Library::Bind(const QString& path)
{
    void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return nullptr;
    std::unique_ptr<Library> library(new Library(handle));
    if (!BindAll(handle, library->api))
        return nullptr;  // unloads; nothing of the partial table survives
    return library;
}
