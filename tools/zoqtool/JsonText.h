#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace zoqtool {

// A JSON value whose object members keep the order they were added in.
using Json = nlohmann::ordered_json;

// A recording's text (stored as Windows-1252) as a JSON string.
Json storedText(const std::string& stored);

// UTF-8 text (the catalogue's) as a JSON string. A byte that is not part of valid UTF-8 (a file
// name in another encoding, an overlong form, a surrogate) becomes U+FFFD.
Json utf8Text(const std::string& text);

// Bytes as they are (a file name the file system holds in any encoding) as a base64 JSON string.
Json base64Text(const std::string& bytes);

// The compact JSON text of `value`: strictly valid UTF-8, with every control character (C0, DEL,
// C1) escaped (\n, \r, \t, \b, \f, else \u00XX).
std::string jsonText(const Json& value);

} // namespace zoqtool
