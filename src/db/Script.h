#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace db {

class Connection;

// Splits an SQL script into statements at the terminator (";" unless a
// "SET TERM x ;" line changes it), ignoring terminators inside quotes and
// comments. Empty statements are dropped.
std::vector<std::string> splitScript(std::string_view script);

// Runs every statement of a script, each in its own transaction, so that the
// tables a script creates can be filled by its later statements.
void runScript(Connection& connection, std::string_view script);

} // namespace db
