#pragma once

// Builds tiny, valid, uncompressed Flash movies for tests.

#include <cstdint>
#include <string>

namespace testsupport {

/// A one-frame movie of \p width x \p height pixels whose whole stage is the
/// colour \p rgb (SetBackgroundColor, ShowFrame, End).
inline std::string solidColourSwf(std::uint32_t rgb, int width = 400, int height = 300) {
    // The frame size is a RECT of four signed bit fields, in twips.
    std::string rect;
    {
        constexpr int bits = 16;
        std::uint64_t acc = 0;
        int used = 0;
        const auto put = [&](std::uint32_t value, int n) {
            for (int i = n - 1; i >= 0; --i) {
                acc = (acc << 1) | ((value >> i) & 1u);
                if (++used % 8 == 0) {
                    rect += static_cast<char>(acc & 0xFF);
                    acc = 0;
                }
            }
        };
        put(bits, 5);
        put(0, bits);
        put(static_cast<std::uint32_t>(width * 20), bits);
        put(0, bits);
        put(static_cast<std::uint32_t>(height * 20), bits);
        if (used % 8 != 0) rect += static_cast<char>((acc << (8 - used % 8)) & 0xFF);
    }
    const auto u16 = [](unsigned v) {
        return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
    };
    const auto tagHeader = [&](unsigned code, unsigned length) {
        return u16((code << 6) | length);
    };
    std::string body = rect;
    body += u16(24 << 8);    // frame rate 24.0, 8.8 fixed point
    body += u16(1);          // frame count
    body += tagHeader(9, 3); // SetBackgroundColor
    body += static_cast<char>((rgb >> 16) & 0xFF);
    body += static_cast<char>((rgb >> 8) & 0xFF);
    body += static_cast<char>(rgb & 0xFF);
    body += tagHeader(1, 0); // ShowFrame
    body += tagHeader(0, 0); // End

    const std::uint32_t length = static_cast<std::uint32_t>(8 + body.size());
    std::string movie = "FWS";
    movie += static_cast<char>(10); // version
    for (int i = 0; i < 4; ++i)
        movie += static_cast<char>((length >> (8 * i)) & 0xFF);
    return movie + body;
}

} // namespace testsupport
