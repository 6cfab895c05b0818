// Small SQLite helpers the recorder's files share.
#pragma once

#include <sqlite3.h>

#include <functional>
#include <string>

namespace lintaro::live {

// Runs a query that reads only and hands each row to `row`; an SQLite result code.
int EachRow(sqlite3* db, const std::string& sql, const std::function<void(sqlite3_stmt*)>& row);
// Whether the database has a table of that name.
bool TableExists(sqlite3* db, const char* table);

}  // namespace lintaro::live
