#pragma once

// Builds tiny, valid, uncompressed Flash movies for tests.

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

namespace detail {

inline std::string u16(unsigned v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}
inline std::string u32(std::uint32_t v) {
    return u16(v & 0xFFFF) + u16(v >> 16);
}

// A tag: its header (short form below 63 bytes, long form above), then its body.
inline std::string tag(unsigned code, const std::string& body) {
    if (body.size() < 0x3F) return u16((code << 6) | static_cast<unsigned>(body.size())) + body;
    return u16((code << 6) | 0x3F) + u32(static_cast<std::uint32_t>(body.size())) + body;
}

// The frame size, a RECT of four signed 16-bit fields, in twips.
inline std::string rect(int width, int height) {
    std::string out;
    std::uint64_t acc = 0;
    int used = 0;
    const auto put = [&](std::uint32_t value, int n) {
        for (int i = n - 1; i >= 0; --i) {
            acc = (acc << 1) | ((value >> i) & 1u);
            if (++used % 8 == 0) {
                out += static_cast<char>(acc & 0xFF);
                acc = 0;
            }
        }
    };
    put(16, 5);
    put(0, 16);
    put(static_cast<std::uint32_t>(width * 20), 16);
    put(0, 16);
    put(static_cast<std::uint32_t>(height * 20), 16);
    if (used % 8 != 0) out += static_cast<char>((acc << (8 - used % 8)) & 0xFF);
    return out;
}

inline std::string background(std::uint32_t rgb) {
    return tag(9, {static_cast<char>((rgb >> 16) & 0xFF), static_cast<char>((rgb >> 8) & 0xFF),
                   static_cast<char>(rgb & 0xFF)});
}

inline std::string movie(int version, const std::string& tags, int frames, int fps, int width,
                         int height) {
    const std::string body = rect(width, height) + u16(static_cast<unsigned>(fps) << 8) +
                             u16(static_cast<unsigned>(frames)) + tags;
    return "FWS" + std::string(1, static_cast<char>(version)) +
           u32(static_cast<std::uint32_t>(8 + body.size())) + body;
}

} // namespace detail

/// A one-frame movie of \p width x \p height pixels whose whole stage is the
/// colour \p rgb (SetBackgroundColor, ShowFrame, End).
inline std::string solidColourSwf(std::uint32_t rgb, int width = 400, int height = 300) {
    using namespace detail;
    return movie(10, background(rgb) + tag(1, {}) + tag(0, {}), 1, 24, width, height);
}

/// AVM1 actions, the script of Flash 8 movies.
namespace avm1 {

/// ActionPush of one string.
inline std::string push(const std::string& text) {
    return "\x96" + detail::u16(static_cast<unsigned>(text.size() + 2)) + std::string(1, '\0') +
           text + std::string(1, '\0');
}

/// loadVariables(\p url, "_root"): loads url-encoded variables into the movie.
/// With \p sendVariables, the movie's own variables go along as a GET query.
inline std::string loadVariables(const std::string& url, bool sendVariables = false) {
    return push(url) + push("_root") + "\x9A" + detail::u16(1) +
           std::string(1, static_cast<char>(sendVariables ? 0xC1 : 0xC0));
}

} // namespace avm1

/// A looping movie with network access whose frame i runs the actions
/// \p frames[i] (an empty string for a frame without actions), at \p fps.
inline std::string scriptedSwf(const std::vector<std::string>& frames, int fps = 4,
                               std::uint32_t rgb = 0x00FF00) {
    using namespace detail;
    std::string tags = tag(69, u32(0x01)) + background(rgb); // FileAttributes: UseNetwork
    for (const std::string& actions : frames) {
        if (!actions.empty()) tags += tag(12, actions + std::string(1, '\0')); // DoAction
        tags += tag(1, {});                                                    // ShowFrame
    }
    tags += tag(0, {});
    return movie(8, tags, static_cast<int>(frames.size()), fps, 400, 300);
}

} // namespace testsupport
