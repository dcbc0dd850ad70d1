#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>

namespace orvelt::testing {

// Runs `sql` on the file as another program would, failing the test when it cannot; gives the
// first column of the last row read.
inline std::string Run_Sql(const std::filesystem::path& file, const std::string& sql) {
  sqlite3* db = nullptr;
  std::string last;
  const auto keep = [](void* out, int, char** row, char**) {
    *static_cast<std::string*>(out) = row[0] != nullptr ? row[0] : "";
    return 0;
  };
  EXPECT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), keep, &last, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
  return last;
}

}  // namespace orvelt::testing
