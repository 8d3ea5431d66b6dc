#pragma once

#include "db/Connection.h"

namespace app {

// The status rows of the main panel, exactly as the Filiais statement gives
// them (same columns, values, nulls and order), with the outgoing queue read
// once per refresh instead of once per row.
db::Result loadStatusRows(db::Connection& connection);

} // namespace app
