#include "Formats.h"

#include <cstdio>

namespace app {

std::string formatGridDate(const db::Value& value) {
    const db::Timestamp* t = value.timestamp();
    if (!t)
        return {};
    char buf[32];
    if (!t->hasDate) {
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t->hour, t->minute, t->second);
        return buf;
    }
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", t->day, t->month, t->year);
    std::string out = buf;
    if (t->hasTime && !t->isMidnight()) {
        std::snprintf(buf, sizeof buf, " %02d:%02d:%02d", t->hour, t->minute, t->second);
        out += buf;
    }
    return out;
}

bool isEndingFailure(std::string_view message) {
    std::string upper(message);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper.find("SHUTDOWN") != std::string::npos ||
           upper.find("CONNECTION LOST") != std::string::npos;
}

} // namespace app
