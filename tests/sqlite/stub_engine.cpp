// A stand-in engine library for the binding tests: every function the layer binds, with
// sqlite3_prepare in place of sqlite3_prepare_v2. Built once more without its last function.
// Opening always fails, so a test sees how far the binding got.

#define STUB extern "C" __attribute__((visibility("default")))

STUB int sqlite3_open(const char*, void** db) { *db = nullptr; return 14; }
STUB int sqlite3_close(void*) { return 0; }
STUB const char* sqlite3_libversion() { return "stub"; }
STUB const char* sqlite3_errmsg(void*) { return "stub engine opens nothing"; }
#define NOOP(name) STUB int name() { return 0; }
NOOP(sqlite3_get_table) NOOP(sqlite3_free_table) NOOP(sqlite3_free) NOOP(sqlite3_last_insert_rowid)
NOOP(sqlite3_changes) NOOP(sqlite3_exec) NOOP(sqlite3_get_autocommit) NOOP(sqlite3_prepare)
NOOP(sqlite3_prepare16) NOOP(sqlite3_finalize) NOOP(sqlite3_step) NOOP(sqlite3_column_blob)
NOOP(sqlite3_column_bytes) NOOP(sqlite3_column_count) NOOP(sqlite3_column_decltype)
NOOP(sqlite3_column_double) NOOP(sqlite3_column_int) NOOP(sqlite3_column_int64) NOOP(sqlite3_column_name)
NOOP(sqlite3_column_text) NOOP(sqlite3_column_text16) NOOP(sqlite3_column_type) NOOP(sqlite3_bind_blob)
NOOP(sqlite3_bind_text) NOOP(sqlite3_bind_text16) NOOP(sqlite3_bind_int) NOOP(sqlite3_bind_int64)
NOOP(sqlite3_bind_double) NOOP(sqlite3_bind_null) NOOP(sqlite3_bind_parameter_count)
NOOP(sqlite3_bind_parameter_index) NOOP(sqlite3_bind_parameter_name) NOOP(sqlite3_create_collation)
#ifndef STUB_WITHOUT_LAST
NOOP(sqlite3_create_collation16)
#endif
