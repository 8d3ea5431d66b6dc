#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace db {

// A date, a time of day or both; DATE in dialect 1 is a full timestamp.
struct Timestamp {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
    int fraction = 0; // ten-thousandths of a second, as Firebird stores them
    bool hasDate = true;
    bool hasTime = true;

    bool isMidnight() const { return hour == 0 && minute == 0 && second == 0 && fraction == 0; }
    friend bool operator==(const Timestamp&, const Timestamp&) = default;
};

// One field of a fetched row or one statement parameter. Text is UTF-8 here;
// the connection converts it from and to Windows-1252 at the database edge.
class Value {
public:
    using Data = std::variant<std::monostate, std::int64_t, double, std::string, Timestamp>;

    Value() = default;
    Value(std::nullptr_t) {}
    Value(int v) : data_(std::int64_t{v}) {}
    Value(std::int64_t v) : data_(v) {}
    Value(double v) : data_(v) {}
    Value(std::string v) : data_(std::move(v)) {}
    Value(const char* v) : data_(std::string(v)) {}
    Value(Timestamp v) : data_(v) {}

    bool isNull() const { return std::holds_alternative<std::monostate>(data_); }
    bool isText() const { return std::holds_alternative<std::string>(data_); }
    bool isInteger() const { return std::holds_alternative<std::int64_t>(data_); }
    bool isTimestamp() const { return std::holds_alternative<Timestamp>(data_); }

    const Data& data() const { return data_; }
    // Text of any value: empty for null, decimal for numbers, "yyyy-mm-dd hh:mm:ss" for dates.
    std::string toText() const;
    // Whole number of any numeric or numeric-text value; 0 for null.
    std::int64_t toInt() const;
    const Timestamp* timestamp() const { return std::get_if<Timestamp>(&data_); }

    friend bool operator==(const Value&, const Value&) = default;

private:
    Data data_;
};

} // namespace db
