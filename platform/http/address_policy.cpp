#include "platform/http/address_policy.h"

#include "platform/http/http_get.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <cstdint>
#include <curl/curl.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>

namespace platform {
namespace {

bool isPublicV4(std::uint32_t a) { // host byte order
    const auto in = [a](std::uint32_t net, int bits) {
        return bits == 0 || (a >> (32 - bits)) == (net >> (32 - bits));
    };
    return !(in(0x00000000, 8) ||  // 0/8 "this network", unspecified
             in(0x0A000000, 8) ||  // 10/8 private
             in(0x64400000, 10) || // 100.64/10 shared (carrier-grade NAT)
             in(0x7F000000, 8) ||  // 127/8 loopback
             in(0xA9FE0000, 16) || // 169.254/16 link-local, cloud metadata
             in(0xAC100000, 12) || // 172.16/12 private
             in(0xC0000000, 24) || // 192.0.0/24 protocol assignments
             in(0xC0A80000, 16) || // 192.168/16 private
             in(0xC6120000, 15) || // 198.18/15 benchmarking
             in(0xE0000000, 4) ||  // 224/4 multicast
             in(0xF0000000, 4));   // 240/4 reserved, 255.255.255.255 broadcast
}

std::uint32_t v4At(const unsigned char* b) {
    return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

bool isPublicV6(const in6_addr& address) {
    const unsigned char* b = address.s6_addr;
    const auto zeros = [b](int from, int to) {
        return std::all_of(b + from, b + to, [](unsigned char c) { return c == 0; });
    };
    if (zeros(0, 10) && b[10] == 0xFF && b[11] == 0xFF) return isPublicV4(v4At(b + 12)); // mapped
    if (zeros(0, 12)) return false; // ::, ::1 and the IPv4-compatible ::a.b.c.d (deprecated)
    if (b[0] == 0x00 && b[1] == 0x64 && b[2] == 0xFF && b[3] == 0x9B && zeros(4, 12))
        return isPublicV4(v4At(b + 12));                              // 64:ff9b::/96 NAT64
    if (b[0] == 0x20 && b[1] == 0x02) return isPublicV4(v4At(b + 2)); // 2002::/16 6to4
    if ((b[0] & 0xFE) == 0xFC) return false;                          // fc00::/7 unique-local
    if (b[0] == 0xFE && (b[1] & 0xC0) == 0x80) return false;          // fe80::/10 link-local
    if (b[0] == 0xFE && (b[1] & 0xC0) == 0xC0) return false;          // fec0::/10 site-local
    if (b[0] == 0xFF) return false;                                   // ff00::/8 multicast
    return true;
}

std::string percentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Reads a URL with libcurl's parser, which normalises numeric hosts.
struct UrlParts {
    std::string scheme, host, port;
};
std::optional<UrlParts> parseUrl(const std::string& address) {
    const std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> url(curl_url(), curl_url_cleanup);
    if (!url || curl_url_set(url.get(), CURLUPART_URL, address.c_str(), CURLU_NON_SUPPORT_SCHEME) !=
                    CURLUE_OK)
        return std::nullopt;
    UrlParts parts;
    const auto take = [&](CURLUPart part, std::string& into, unsigned flags) {
        char* value = nullptr;
        const bool ok = curl_url_get(url.get(), part, &value, flags) == CURLUE_OK;
        if (ok) into = value;
        curl_free(value);
        return ok;
    };
    if (!take(CURLUPART_SCHEME, parts.scheme, 0) || !take(CURLUPART_HOST, parts.host, 0) ||
        !take(CURLUPART_PORT, parts.port, CURLU_DEFAULT_PORT))
        return std::nullopt;
    return parts;
}

} // namespace

bool isPublicAddress(const sockaddr& address) {
    if (address.sa_family == AF_INET)
        return isPublicV4(ntohl(reinterpret_cast<const sockaddr_in&>(address).sin_addr.s_addr));
    if (address.sa_family == AF_INET6)
        return isPublicV6(reinterpret_cast<const sockaddr_in6&>(address).sin6_addr);
    return false;
}

bool isPublicHost(std::string_view written) {
    std::string host = percentDecoded(written);
    for (char& c : host)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    while (!host.empty() && host.back() == '.')
        host.pop_back();
    if (host.empty()) return false;
    if (host.front() == '[') {
        host = host.substr(1, host.find(']') - 1);
        host = host.substr(0, host.find('%')); // zone
        in6_addr v6{};
        return inet_pton(AF_INET6, host.c_str(), &v6) == 1 && isPublicV6(v6);
    }
    // inet_aton reads every numeric spelling a URL parser does: one to four
    // parts, each decimal, octal (leading 0) or hexadecimal (0x).
    in_addr v4{};
    if (inet_aton(host.c_str(), &v4) == 1) return isPublicV4(ntohl(v4.s_addr));
    in6_addr v6{};
    if (inet_pton(AF_INET6, host.c_str(), &v6) == 1) return isPublicV6(v6);
    return host != "localhost" && !host.ends_with(".localhost");
}

std::optional<Origin> originOf(std::string_view address) {
    const std::optional<UrlParts> parts = parseUrl(wireAddress(address));
    if (!parts || (parts->scheme != "http" && parts->scheme != "https")) return std::nullopt;
    Origin origin{parts->scheme, parts->host, 0};
    for (char& c : origin.host)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    origin.port = std::atoi(parts->port.c_str());
    return origin;
}

ModuleReach::ModuleReach(std::string_view moduleAddress)
    : origin_(originOf(moduleAddress)) {}

bool ModuleReach::allowsModuleStep(std::string_view url, const sockaddr& peer, bool viaProxy) {
    const std::optional<Origin> step = originOf(url);
    if (!step || !origin_) return false;
    if (*step == *origin_) {
        const bool local = viaProxy ? !isPublicHost(step->host) : !isPublicAddress(peer);
        int unknown = Unknown;
        // The first step is the user's own choice; it tells where the origin lives.
        if (originSpace_.compare_exchange_strong(unknown, local ? Local : Public)) return true;
    }
    return allowsRequest(url, peer, viaProxy);
}

bool ModuleReach::allowsRequest(std::string_view url, const sockaddr& peer, bool viaProxy) const {
    const std::optional<Origin> step = originOf(url);
    if (!step) return false;
    const bool publicTarget = viaProxy ? isPublicHost(step->host) : isPublicAddress(peer);
    if (publicTarget) return true;
    return origin_ && *step == *origin_ && originSpace_.load() == Local;
}

} // namespace platform
