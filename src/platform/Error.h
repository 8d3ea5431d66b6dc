#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// The one failure type of the system: it carries the message text shown to
// the operator (UTF-8).
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

} // namespace platform
