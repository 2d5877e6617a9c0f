#pragma once

// Turns a binary record into a list of named values for printing, walking the same field list
// the record is read and written with.

#include "platform/BinaryLayout.h"
#include "recording/FieldText.h"

#include <string>
#include <string_view>
#include <vector>

namespace zoqtool {

struct FieldValue {
    enum class Kind { Number, Text, Record };
    std::string name;
    Kind kind = Kind::Number;
    std::string value;              // the number's digits or the text as stored (Windows-1252)
    std::vector<FieldValue> fields; // a nested record's fields
};

class FieldCollector {
  public:
    std::vector<FieldValue> fields;

    template <std::integral T> void operator()(const char* name, const T& value) {
        if (!hidden(name))
            fields.push_back({name, FieldValue::Kind::Number, std::to_string(widen(value)), {}});
    }
    template <std::size_t N> void operator()(const char* name, const std::array<char, N>& text) {
        if (!hidden(name))
            fields.push_back({name, FieldValue::Kind::Text, kestrum::fieldText(text), {}});
    }
    template <std::integral T, std::size_t N>
    void operator()(const char*, const std::array<T, N>&) {} // reserved bytes and position lists
    template <kestrum::layout::Record T> void operator()(const char* name, const T& nested) {
        FieldCollector inner;
        T::fields(nested, inner);
        fields.push_back({name, FieldValue::Kind::Record, {}, std::move(inner.fields)});
    }

  private:
    // The magic texts and reserved bytes say nothing about the call.
    static bool hidden(std::string_view name) {
        return name == "name" || name == "magic" || name.starts_with("reserved");
    }
    // Character-sized integers print as numbers, with their sign.
    template <std::integral T> static long long widen(T value) { return static_cast<long long>(value); }
};

template <kestrum::layout::Record T> std::vector<FieldValue> collectFields(const T& record) {
    FieldCollector collector;
    T::fields(record, collector);
    return std::move(collector.fields);
}

} // namespace zoqtool
