#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

struct sockaddr;

namespace platform {

/// Bounds of one GET. The defaults are the program's own; tests pass short ones.
struct HttpLimits {
    std::chrono::milliseconds connectTimeout{10'000}; ///< to set up the connection
    std::chrono::milliseconds stallTimeout{15'000};   ///< with no body byte arriving
    std::chrono::milliseconds totalTimeout{60'000};   ///< for the whole exchange
    std::size_t maxBodyBytes = std::size_t{64} << 20; ///< decoded body kept at most
};

/// Called about every 50 ms while a GET waits for the network. Returning
/// false abandons the request, which then gives the empty result.
using HttpWait = std::function<bool()>;

/// Decides whether one step of a GET may go ahead. Called before each
/// connection is opened, with the address about to be connected, and again
/// before each request is sent (redirect hops included), with the address it
/// goes to. \p url is the step's address; \p viaProxy tells that \p peer is a
/// proxy from the environment, which will connect to \p url's host itself.
/// Returning false ends the GET with the empty result.
using ConnectCheck = std::function<bool(std::string_view url, const sockaddr& peer, bool viaProxy)>;

/// Performs one HTTP GET of \p address and returns the response body as bytes,
/// unchanged (zero bytes included).
///
/// Only the http and https schemes are used, redirects included (at most 5
/// are followed). Proxies come from the standard environment variables
/// (http_proxy, https_proxy, no_proxy …). No headers, cookies or credentials
/// of the program's own are sent; any content encoding libcurl can decode is
/// accepted and decoded. Bytes that cannot stand raw in a URL are
/// percent-encoded on the wire (see wireAddress()).
///
/// \returns the body of a 2xx answer; a body larger than
/// \p limits.maxBodyBytes is cut there. Every failure (no connection, a
/// time-out, a non-2xx status, a refused redirect, abandoned by \p wait) gives
/// the empty string. Nothing is printed or logged. With \p check, every
/// connection and every request of the GET must pass it.
[[nodiscard]] std::string httpGet(std::string_view address, const HttpLimits& limits = {},
                                  const HttpWait& wait = {}, const ConnectCheck& check = {});

/// Returns \p text with every byte for which \p keep is false written as %XX
/// (upper-case hex).
[[nodiscard]] std::string percentEncode(std::string_view text, bool (*keep)(unsigned char));

/// Returns \p address with every byte that cannot stand raw in a URL
/// percent-encoded: controls, space, DEL, bytes >= 0x80 and " < > \ ^ ` { | } #.
/// Everything else, '%' included, is kept as it is.
[[nodiscard]] std::string wireAddress(std::string_view address);

/// Holds libcurl's process-wide state. Create one in main() before any other
/// thread starts, and keep it until every request has ended.
class HttpSession {
public:
    HttpSession();
    ~HttpSession();
    HttpSession(const HttpSession&) = delete;
    HttpSession& operator=(const HttpSession&) = delete;
};

} // namespace platform
