#include "StatusRows.h"

#include "db/Statements.h"

namespace app {

db::Result loadStatusRows(db::Connection& connection) {
    const db::Result queue = connection.query(db::sql::FiliaisFila);
    db::Result machines = connection.query(db::sql::FiliaisMaquinas);
    // Columns of the reference statement: the two counts stand before STATUSERRO.
    const std::size_t at = machines.columns.size() - 1;
    machines.columns.insert(machines.columns.begin() + static_cast<std::ptrdiff_t>(at),
                            queue.columns.begin(), queue.columns.end());
    const std::vector<db::Value>& counts = queue.rows.at(0);
    for (auto& row : machines.rows)
        row.insert(row.begin() + static_cast<std::ptrdiff_t>(at), counts.begin(), counts.end());
    return machines;
}

} // namespace app
