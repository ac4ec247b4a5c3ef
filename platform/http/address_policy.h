#pragma once

// Which network addresses a played module may reach, after the Private Network
// Access model of browsers: the public internet, yes; this computer and its
// local networks, only the module's own server.

#include <atomic>
#include <optional>
#include <string>
#include <string_view>

struct sockaddr;

namespace platform {

/// Whether \p address is on the public internet. Loopback, private, shared
/// (100.64/10), link-local, unique-local, site-local, multicast, broadcast,
/// unspecified and reserved addresses are not, and neither are IPv6 forms that
/// carry one of those IPv4 addresses (mapped, compatible, NAT64, 6to4).
[[nodiscard]] bool isPublicAddress(const sockaddr& address);

/// The same for a host as a web address carries it, when no connection tells
/// where it leads (a proxy resolves it): numeric hosts in any spelling a URL
/// parser accepts ("2130706433", "0x7f.1", "0177.0.0.1", "[::ffff:7f00:1]",
/// percent-escaped or with a trailing dot) are judged as addresses; "localhost"
/// and its subdomains are local; any other name counts as public.
[[nodiscard]] bool isPublicHost(std::string_view host);

/// Scheme, host and port of a web address, as a URL parser reads them: lower
/// case, numeric hosts normalised, the default port filled in.
struct Origin {
    std::string scheme;
    std::string host;
    int port = 0;
    bool operator==(const Origin&) const = default;
};

/// \returns the origin of an absolute http(s) address, or nothing.
[[nodiscard]] std::optional<Origin> originOf(std::string_view address);

/// The reach of one played module. A request may go to a public address. One
/// that would reach a local address is refused unless it goes to the module's
/// own origin and that origin was itself local when the module was fetched (a
/// public server whose name later resolves to a local address gets nothing).
/// Safe to use from several threads at once.
class ModuleReach {
public:
    explicit ModuleReach(std::string_view moduleAddress);

    /// The check for fetching the module itself: its first step goes where the
    /// user chose, and tells where the module's origin lives; redirect hops
    /// follow the rule above.
    [[nodiscard]] bool allowsModuleStep(std::string_view url, const sockaddr& peer, bool viaProxy);

    /// The check for every request the module makes.
    [[nodiscard]] bool allowsRequest(std::string_view url, const sockaddr& peer,
                                     bool viaProxy) const;

private:
    enum Space : int { Unknown, Public, Local };
    std::optional<Origin> origin_;
    std::atomic<int> originSpace_{Unknown};
};

} // namespace platform
