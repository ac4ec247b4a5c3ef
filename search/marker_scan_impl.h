#pragma once

// The template part of marker_find.h; include that header instead.

#include <cstdint>
#include <string_view>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace search::detail {

// OR-ing 0x20 into an ASCII letter gives its lower-case form; for other bytes
// the fold bit must stay 0, or e.g. 0x0E would match '.'.
constexpr unsigned char foldBit(char c) noexcept {
    return (c >= 'a' && c <= 'z') ? 0x20 : 0x00;
}

inline bool matchesAt(const char* p, std::string_view marker) noexcept {
    for (std::size_t i = 0; i < marker.size(); ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        if ((c | foldBit(marker[i])) != static_cast<unsigned char>(marker[i])) return false;
    }
    return true;
}

/// The one fast filter of both marker searches. Calls \p onCandidate(position)
/// in text order for positions at or after \p from where \p first or \p second
/// may start (every position where their first two bytes match, and every
/// position of the last 16 bytes); stops when it returns false (a callback
/// returning nothing never stops it, and costs no test). Both markers must be
/// lower case and at least two bytes long.
template <class OnCandidate>
void forEachCandidate(std::string_view text, std::size_t from, std::string_view first,
                      std::string_view second, OnCandidate&& onCandidate) {
    const auto visit = [&onCandidate](std::size_t at) {
        if constexpr (std::is_void_v<std::invoke_result_t<OnCandidate&, std::size_t>>) {
            onCandidate(at);
            return true;
        } else {
            return static_cast<bool>(onCandidate(at));
        }
    };
    const char* const base = text.data();
    const std::size_t size = text.size();
    std::size_t i = from;
#if defined(__SSE2__)
    // Filter 16 positions at a time on each marker's first two bytes.
    const auto splat = [](unsigned char c) { return _mm_set1_epi8(static_cast<char>(c)); };
    const __m128i foldA0 = splat(foldBit(first[0])), wantA0 = splat(first[0]);
    const __m128i foldA1 = splat(foldBit(first[1])), wantA1 = splat(first[1]);
    const __m128i foldB0 = splat(foldBit(second[0])), wantB0 = splat(second[0]);
    const __m128i foldB1 = splat(foldBit(second[1])), wantB1 = splat(second[1]);
    for (; i + 17 <= size; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i + 1));
        const __m128i hitA = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(a, foldA0), wantA0),
                                           _mm_cmpeq_epi8(_mm_or_si128(b, foldA1), wantA1));
        const __m128i hitB = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(a, foldB0), wantB0),
                                           _mm_cmpeq_epi8(_mm_or_si128(b, foldB1), wantB1));
        auto mask = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_or_si128(hitA, hitB)));
        while (mask != 0) {
            if (!visit(i + static_cast<std::size_t>(__builtin_ctz(mask)))) return;
            mask &= mask - 1;
        }
    }
#endif
    // The tail (and the whole text where SSE2 is not available): every position.
    for (; i < size; ++i)
        if (!visit(i)) return;
}

} // namespace search::detail

namespace search {

template <class OnFirst, class OnSecond>
void scanMarkers(std::string_view text, std::string_view first, std::string_view second,
                 OnFirst&& onFirst, OnSecond&& onSecond) {
    const char* const base = text.data();
    const std::size_t size = text.size();
    detail::forEachCandidate(text, 0, first, second, [&](std::size_t at) {
        if (at + first.size() <= size && detail::matchesAt(base + at, first))
            onFirst(at);
        else if (at + second.size() <= size && detail::matchesAt(base + at, second))
            onSecond(at);
    });
}

} // namespace search
