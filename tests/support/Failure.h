#pragma once

#include "platform/Error.h"

#include <functional>
#include <string>

namespace testing_support {

// The message a call fails with, or "(no failure)".
inline std::string failureOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const platform::Error& e) {
        return e.what();
    }
    return "(no failure)";
}

} // namespace testing_support
