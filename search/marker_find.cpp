#include "search/marker_find.h"

namespace search {

std::size_t findMarker(std::string_view text, std::string_view marker, std::size_t from) noexcept {
    const std::size_t m = marker.size();
    if (m == 0 || from > text.size() || text.size() - from < m) return std::string_view::npos;
    const std::size_t last = text.size() - m; // last position a match can start at
    if (m == 1) {                             // too short for the two-byte filter
        for (std::size_t i = from; i <= last; ++i)
            if (detail::matchesAt(text.data() + i, marker)) return i;
        return std::string_view::npos;
    }
    std::size_t found = std::string_view::npos;
    detail::forEachCandidate(text, from, marker, marker, [&](std::size_t at) {
        if (at > last) return false;
        if (!detail::matchesAt(text.data() + at, marker)) return true;
        found = at;
        return false;
    });
    return found;
}

} // namespace search
