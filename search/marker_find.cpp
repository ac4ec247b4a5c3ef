#include "search/marker_find.h"

#include <cstdint>

namespace search {

using detail::foldBit;
using detail::matchesAt;

std::size_t findMarker(std::string_view text, std::string_view marker, std::size_t from) noexcept {
    const std::size_t m = marker.size();
    if (m == 0 || from > text.size() || text.size() - from < m) return std::string_view::npos;
    const char* const base = text.data();
    const std::size_t last = text.size() - m; // last position a match can start at
    std::size_t i = from;

#if defined(__SSE2__)
    if (m >= 2) {
        // Filter 16 positions at a time on the first two marker bytes, then
        // confirm each candidate on the whole marker.
        const __m128i fold0 = _mm_set1_epi8(static_cast<char>(foldBit(marker[0])));
        const __m128i fold1 = _mm_set1_epi8(static_cast<char>(foldBit(marker[1])));
        const __m128i want0 = _mm_set1_epi8(marker[0]);
        const __m128i want1 = _mm_set1_epi8(marker[1]);
        while (i + 16 <= last + 1 && i + 17 <= text.size()) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i + 1));
            const __m128i hit = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(a, fold0), want0),
                                              _mm_cmpeq_epi8(_mm_or_si128(b, fold1), want1));
            auto mask = static_cast<std::uint32_t>(_mm_movemask_epi8(hit));
            while (mask != 0) {
                const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
                if (matchesAt(base + at, marker)) return at;
                mask &= mask - 1;
            }
            i += 16;
        }
    }
#endif

    // Scalar tail (and the whole search where SSE2 is not available).
    for (; i <= last; ++i) {
        if (matchesAt(base + i, marker)) return i;
    }
    return std::string_view::npos;
}

} // namespace search
