// Reading UTF-8 text strictly: names on disk are bytes, and only well-formed sequences count
// as characters.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace qm {

// The character of `text` at `at` and its length in bytes; nullopt (length 1) for a byte that
// does not start a well-formed sequence (overlong forms and surrogates included).
std::optional<char32_t> DecodeUtf8(std::string_view text, size_t at, size_t& length);

// Whether `text` is well-formed UTF-8 with at least one character beyond ASCII.
bool IsUtf8BeyondAscii(std::string_view text);

}  // namespace qm
