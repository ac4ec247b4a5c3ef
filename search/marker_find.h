#pragma once

#include <cstddef>
#include <string_view>

namespace search {

/// Finds \p marker in \p text at or after \p from, ASCII letters matching
/// without regard to case ("HTTP", "Http" and "http" all match "http").
/// Bytes that are not letters match only themselves; bytes >= 0x80 never
/// fold, so multi-byte characters of any encoding are left alone.
///
/// \p marker must be non-empty and written in lower case.
/// \returns the position of the first match, or std::string_view::npos.
[[nodiscard]] std::size_t findMarker(std::string_view text, std::string_view marker,
                                     std::size_t from = 0) noexcept;

} // namespace search
