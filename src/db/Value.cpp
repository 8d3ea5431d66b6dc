#include "Value.h"

#include "platform/Error.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace db {

std::string Value::toText() const {
    struct Visitor {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(std::int64_t v) const { return std::to_string(v); }
        std::string operator()(double v) const {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%.15g", v);
            return buf;
        }
        std::string operator()(const std::string& v) const { return v; }
        std::string operator()(const Timestamp& t) const {
            char buf[40];
            if (!t.hasTime)
                std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year, t.month, t.day);
            else if (!t.hasDate)
                std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
            else
                std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month,
                              t.day, t.hour, t.minute, t.second);
            return buf;
        }
    };
    return std::visit(Visitor{}, data_);
}

std::int64_t Value::toInt() const {
    if (const auto* i = std::get_if<std::int64_t>(&data_))
        return *i;
    if (const auto* d = std::get_if<double>(&data_))
        return static_cast<std::int64_t>(std::llround(*d));
    if (const auto* s = std::get_if<std::string>(&data_)) {
        std::int64_t v = 0;
        const auto first = s->find_first_not_of(' ');
        const auto last = s->find_last_not_of(' ');
        if (first == std::string::npos)
            throw platform::Error("'" + *s + "' is not a valid integer value");
        const auto res = std::from_chars(s->data() + first, s->data() + last + 1, v);
        if (res.ec != std::errc() || res.ptr != s->data() + last + 1)
            throw platform::Error("'" + *s + "' is not a valid integer value");
        return v;
    }
    return 0;
}

} // namespace db
