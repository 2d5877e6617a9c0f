#pragma once

// Binary records read and written field by field at their offsets, little-endian.
//
// A record type lists its fields once, in file order, in a static `fields(self, visitor)`
// function template; the visitors below walk that list to read, write or measure the record, and other
// visitors (a printer, say) reuse the same list. No packed struct is ever cast over file bytes.

#include <array>
#include <bit>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace kestrum::layout {

// A record type: it marks itself with `static constexpr bool kIsRecord = true` and names its
// fields through `fields`.
template <class T>
concept Record = requires {
    requires T::kIsRecord;
};

// Adds up the sizes of the fields; used to compute a record's size at compile time.
struct SizeCounter {
    std::size_t size = 0;

    template <std::integral T> constexpr void operator()(const char*, const T&) { size += sizeof(T); }
    constexpr void operator()(const char*, const double&) { size += 8; }
    template <class T, std::size_t N>
    constexpr void operator()(const char* name, const std::array<T, N>& items) {
        for (const T& item : items)
            (*this)(name, item);
    }
    template <Record T> constexpr void operator()(const char*, const T& nested) { T::fields(nested, *this); }
};

template <Record T> constexpr std::size_t recordSize() {
    SizeCounter counter;
    const T record{};
    T::fields(record, counter);
    return counter.size;
}

// Reads fields from a byte span that holds at least the record's size.
class FieldReader {
  public:
    explicit FieldReader(const std::uint8_t* bytes) : bytes_(bytes) {}

    template <std::integral T> void operator()(const char*, T& value) {
        using U = std::make_unsigned_t<T>;
        U raw = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i)
            raw = static_cast<U>(raw | (static_cast<U>(bytes_[offset_ + i]) << (8 * i)));
        value = static_cast<T>(raw);
        offset_ += sizeof(T);
    }
    void operator()(const char* name, double& value) {
        std::uint64_t raw = 0;
        (*this)(name, raw);
        value = std::bit_cast<double>(raw);
    }
    template <class T, std::size_t N> void operator()(const char* name, std::array<T, N>& items) {
        for (T& item : items)
            (*this)(name, item);
    }
    template <Record T> void operator()(const char*, T& nested) { T::fields(nested, *this); }

  private:
    const std::uint8_t* bytes_;
    std::size_t offset_ = 0;
};

// Writes fields into a byte span that holds at least the record's size.
class FieldWriter {
  public:
    explicit FieldWriter(std::uint8_t* bytes) : bytes_(bytes) {}

    template <std::integral T> void operator()(const char*, const T& value) {
        using U = std::make_unsigned_t<T>;
        const U raw = static_cast<U>(value);
        for (std::size_t i = 0; i < sizeof(T); ++i)
            bytes_[offset_ + i] = static_cast<std::uint8_t>(raw >> (8 * i));
        offset_ += sizeof(T);
    }
    void operator()(const char* name, const double& value) {
        (*this)(name, std::bit_cast<std::uint64_t>(value));
    }
    template <class T, std::size_t N> void operator()(const char* name, const std::array<T, N>& items) {
        for (const T& item : items)
            (*this)(name, item);
    }
    template <Record T> void operator()(const char*, const T& nested) { T::fields(nested, *this); }

  private:
    std::uint8_t* bytes_;
    std::size_t offset_ = 0;
};

template <Record T> using Bytes = std::array<std::uint8_t, recordSize<T>()>;

template <Record T> T decode(std::span<const std::uint8_t, recordSize<T>()> bytes) {
    T record{};
    FieldReader reader(bytes.data());
    T::fields(record, reader);
    return record;
}

template <Record T> T decode(const Bytes<T>& bytes) {
    return decode<T>(std::span<const std::uint8_t, recordSize<T>()>(bytes));
}

template <Record T> Bytes<T> encode(const T& record) {
    Bytes<T> bytes{};
    FieldWriter writer(bytes.data());
    T::fields(record, writer);
    return bytes;
}

} // namespace kestrum::layout
