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

/// Calls \p onFirst(position) for every occurrence of \p first in \p text and
/// \p onSecond(position) for every occurrence of \p second, all in text order,
/// in one pass. Letters match as in findMarker().
///
/// Both markers must be written in lower case, at least two bytes long, and
/// such that no occurrence of one can overlap an occurrence of either (true of
/// "http" and ".swf": no suffix of one is a prefix of the other or of itself).
template <class OnFirst, class OnSecond>
void scanMarkers(std::string_view text, std::string_view first, std::string_view second,
                 OnFirst&& onFirst, OnSecond&& onSecond);

} // namespace search

#include "search/marker_scan_impl.h"
