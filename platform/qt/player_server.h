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
/// Every request a played module makes comes here too (the player page routes
/// them), and is fetched under the module's reach (address_policy.h): public
/// addresses, and local ones only on the module's own local origin. The server
/// answers only requests addressed to its own host and port, never fetches
/// from itself, keeps some workers free of module fetches, and abandons the
/// fetches of a module as soon as another is played or the server stops.
///
/// It answers on threads of its own; playModule() and stopModule() may be
/// called from any one thread.
class PlayerServer {
public:
    /// \p ruffleDir holds ruffle.js and its .wasm files; \p limits bound each module fetch.
    PlayerServer(std::filesystem::path ruffleDir, HttpLimits limits = {});
    ~PlayerServer();
    PlayerServer(const PlayerServer&) = delete;
    PlayerServer& operator=(const PlayerServer&) = delete;

    /// \returns whether the server listens.
    [[nodiscard]] bool running() const;

    /// What the player page needs to play one module. Each holds only letters,
    /// digits and - _ . ~ / %, so it stands safely in a script's quotes.
    struct Movie {
        std::string path;   ///< where Ruffle reads the module, below this server
        std::string base;   ///< the module's folder, percent-encoded once more
        std::string routes; ///< the path the module's own requests are routed through
    };

    /// Makes \p moduleAddress, an absolute http(s) address in wire form (see
    /// wireAddress()), the one module this server plays; the fetches of the one
    /// before are abandoned.
    Movie playModule(std::string_view moduleAddress);

    /// Plays nothing: abandons the current module's fetches.
    void stopModule();

    /// \returns the address of the player page, blank or playing \p movie.
    [[nodiscard]] std::string playerAddress() const;
    [[nodiscard]] std::string playerAddress(const Movie& movie) const;

    /// \returns the origin and random prefix all of this server's addresses start with.
    [[nodiscard]] std::string base() const;

    /// How many module fetches may run at once; more are answered 503 at once,
    /// so that the page and the Ruffle files always find a worker.
    static constexpr int kMaxFetches = 6;
    /// The server's worker threads.
    static constexpr int kWorkers = 12;

private:
    struct State;
    std::unique_ptr<State> state_;
};

/// \returns the folder of the Ruffle files shipped with the program, found
/// relative to the program's own folder (…/bin → …/share/swfscout/ruffle).
[[nodiscard]] std::filesystem::path shippedRuffleDir();

} // namespace platform
