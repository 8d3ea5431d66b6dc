#pragma once

#include "db/Value.h"

#include <string>

namespace app {

// Date display of every grid: "dd/mm/yyyy", then a blank and the time of day
// unless it is exactly midnight; empty for null and for non-dates.
std::string formatGridDate(const db::Value& value);

// Failures whose message holds "SHUTDOWN" or "CONNECTION LOST" (letters a-z
// in any case) end the process instead of showing a box.
bool isEndingFailure(std::string_view message);

} // namespace app
