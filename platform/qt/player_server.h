#pragma once

#include "platform/http/http_get.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

/// A small HTTP server on the loopback interface that lets the web view play
/// Flash modules through Ruffle. Ruffle fetches its .wasm with fetch(), which
/// works only on an http(s) origin, and reads the module with fetch() too, which
/// the module's own server would have to allow by CORS. So this server, on an
/// ephemeral port of 127.0.0.1 and below a random path prefix of this run,
/// serves the player page, the Ruffle files, and module bytes that it fetches
/// itself with httpGet() (so http_proxy applies here too).
///
/// It answers on threads of its own; nothing of it is shared with the window
/// but the immutable settings given at construction.
class PlayerServer {
public:
    /// \p ruffleDir holds ruffle.js and its .wasm files; \p limits bound each module fetch.
    PlayerServer(std::filesystem::path ruffleDir, HttpLimits limits = {});
    ~PlayerServer();
    PlayerServer(const PlayerServer&) = delete;
    PlayerServer& operator=(const PlayerServer&) = delete;

    /// \returns whether the server listens.
    [[nodiscard]] bool running() const;

    /// \returns the address of the player page, blank or playing the module at
    /// \p moduleAddress, an absolute http(s) address in wire form (see wireAddress()).
    [[nodiscard]] std::string playerAddress(std::string_view moduleAddress = {}) const;

    /// \returns the path, below this server, under which Ruffle reads the module at
    /// \p moduleAddress; it holds only letters, digits and - _ . ~ / %.
    [[nodiscard]] std::string modulePath(std::string_view moduleAddress) const;

    /// \returns the origin and random prefix all of this server's addresses start with.
    [[nodiscard]] std::string base() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

/// \returns the folder of the Ruffle files shipped with the program, found
/// relative to the program's own folder (…/bin → …/share/swfscout/ruffle).
[[nodiscard]] std::filesystem::path shippedRuffleDir();

} // namespace platform
