#pragma once

#include "db/Connection.h"

#include <filesystem>
#include <string>

namespace testing_support {

// A temporary folder removed with everything in it when the object dies.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// A fresh dialect-1 branch database with every integration table, on the
// embedded engine, in a temporary folder.
class TestDatabase {
public:
    TestDatabase();
    const std::string& path() const { return path_; }
    const TempDir& dir() const { return dir_; }
    // A connection to it (embedded: any user name works).
    db::Connection& connection() { return connection_; }
    // Runs more SQL in it (several statements, "SET TERM" understood).
    void run(const std::string& script);

private:
    TempDir dir_;
    std::string path_;
    db::Connection connection_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);

// The Firebird server scripts/test starts for the remote-path tests: its
// host prefix ("localhost" or "localhost/PORT") and SYSDBA password, or
// empty when none runs.
std::string remoteServer();
std::string remotePassword();

} // namespace testing_support
