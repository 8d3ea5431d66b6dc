#pragma once

#include "db/Value.h"

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace db {

// Named statement parameters; names match without regard to letter case.
using Params = std::vector<std::pair<std::string, Value>>;

// A fetched result, held whole in memory.
struct Result {
    std::vector<std::string> columns; // names as the database gives them (upper case)
    std::vector<std::vector<Value>> rows;

    // Index of a column, letter case ignored; -1 when absent.
    int indexOf(std::string_view name) const;
    // Value of a named column in a row; raises when the column does not exist.
    const Value& at(std::size_t row, std::string_view column) const;
};

struct ConnectionSettings {
    std::string database; // local path, or host:path / host/port:path for a server
    std::string user;
    std::string password;
    std::string role = "AlrrQogf";
};

// The one connection to the local integration database: dialect 1, no
// connection character set, read-committed transactions that wait on lock
// conflicts. Failures raise platform::Error with the client's own message.
//
// While an explicit transaction is active every statement runs inside it;
// otherwise each statement runs in a short transaction of its own that is
// committed when the statement (and the fetch of its rows) ends. A closed
// connection opens itself again, with the settings it holds, at the next
// statement.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void setSettings(ConnectionSettings settings);
    const ConnectionSettings& settings() const;

    void open();
    void close();
    bool isOpen() const;

    // Runs a statement and fetches every row it returns (none for writes).
    Result query(std::string_view sql, const Params& params = {});
    // Runs a writing statement; returns the number of rows it touched.
    std::int64_t execute(std::string_view sql, const Params& params = {});

    // Runs a statement as it stands: no :NAME parameters (so PSQL variables
    // in EXECUTE BLOCK and triggers pass untouched) and nothing kept
    // prepared. For scripts.
    void executeDirect(std::string_view sql);

    void startTransaction();
    void commit();
    void rollback();
    bool inTransaction() const;

    // Tables and views of the database, system tables excluded, sorted.
    std::vector<std::string> tableNames();

    // How many statements were prepared since the connection opened (each
    // distinct text is prepared once and kept).
    int preparedCount() const;

    // Creates an empty database (tests and the demo). Dialect 1 is the dialect
    // the integration databases use.
    static void createDatabase(const std::string& path, const std::string& user,
                               const std::string& password, int dialect = 1);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace db
