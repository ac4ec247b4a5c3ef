#include "platform/qt/player_server.h"

#include "platform/http/address_policy.h"

#include <QCoreApplication>
#include <QFile>
#include <array>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <httplib.h>
#include <mutex>
#include <netinet/in.h>
#include <random>
#include <thread>

namespace platform {
namespace {

constexpr std::string_view kMoviePath = "/movie/"; // /movie/<generation>/movie.swf
constexpr std::string_view kRoutePath = "/route/"; // /route/<generation>/<scheme>/<host>/<path>

// The player page: only scripts, styles and data from this server itself, so a
// request the routing misses goes nowhere.
constexpr const char* kPagePolicy =
    "default-src 'none'; script-src 'self' 'unsafe-inline' 'wasm-unsafe-eval'; "
    "style-src 'self' 'unsafe-inline'; connect-src 'self'; img-src 'self' data: blob:; "
    "media-src 'self' data: blob:; font-src 'self' data:; worker-src 'self' blob:; "
    "frame-src 'none'; object-src 'none'; base-uri 'none'; form-action 'none'";

// A white movie of one frame, 16 x 16 pixels: the player loads it while the
// view is idle, so that Ruffle's WebAssembly is ready before the first module.
constexpr std::string_view kBlankMovie{
    "\x46\x57\x53\x0A\x1E\x00\x00\x00\x80\x00\x00\x0A\x00\x00\x00"
    "\x0A\x00\x00\x18\x01\x00\x43\x02\xFF\xFF\xFF\x40\x00\x00\x00",
    30};

std::string randomPrefix() {
    std::random_device device;
    std::string prefix = "/";
    for (int i = 0; i < 4; ++i) {
        char word[9];
        std::snprintf(word, sizeof word, "%08x", static_cast<unsigned>(device()));
        prefix += word;
    }
    return prefix;
}

QByteArray playerPage() {
    QFile page(QStringLiteral(":/swfscout/player.html"));
    return page.open(QIODevice::ReadOnly) ? page.readAll() : QByteArray{};
}

bool isUnreserved(unsigned char c) {
    return std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~';
}
bool isPathByte(unsigned char c) {
    return isUnreserved(c) || c == '/';
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

// Reads "<generation>/" at the start of \p rest; \returns the generation, or -1.
long long takeGeneration(std::string_view& rest) {
    const std::size_t slash = rest.find('/');
    if (slash == 0 || slash == std::string_view::npos || slash > 18) return -1;
    long long value = 0;
    for (const char c : rest.substr(0, slash)) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    rest.remove_prefix(slash + 1);
    return value;
}

} // namespace

struct PlayerServer::State {
    httplib::Server server;
    std::string prefix = randomPrefix();
    std::string origin;
    std::string host; // 127.0.0.1:PORT, the only Host this server answers
    int port = 0;
    HttpLimits limits;
    std::thread thread;
    std::atomic<bool> stopping{false};
    std::atomic<int> fetches{0};

    // The module being played; changed by the window's thread, read by the workers.
    mutable std::mutex mutex;
    long long generation = 0;
    std::string module; // wire form; empty when nothing plays
    std::shared_ptr<ModuleReach> reach;

    struct Current {
        long long generation;
        std::string module;
        std::shared_ptr<ModuleReach> reach;
    };
    Current current() const {
        const std::lock_guard lock(mutex);
        return {generation, module, reach};
    }
    bool isCurrent(long long g) const {
        const std::lock_guard lock(mutex);
        return g == generation && !module.empty();
    }

    // Whether a step of a fetch would reach this server itself: by the address
    // connected, by the host as written when a proxy connects, or by its prefix.
    bool isSelf(std::string_view url, const sockaddr& peer, bool viaProxy) const {
        if (url.find(prefix) != std::string_view::npos) return true;
        if (viaProxy) {
            const std::optional<Origin> o = originOf(url);
            return !o || (o->port == port && !isPublicHost(o->host));
        }
        int peerPort = 0;
        if (peer.sa_family == AF_INET)
            peerPort = ntohs(reinterpret_cast<const sockaddr_in&>(peer).sin_port);
        else if (peer.sa_family == AF_INET6)
            peerPort = ntohs(reinterpret_cast<const sockaddr_in6&>(peer).sin6_port);
        return peerPort == port && !isPublicAddress(peer);
    }

    // One fetch for the module of generation \p g; \p moduleStep for the module itself.
    void fetch(long long g, const std::string& address, const std::shared_ptr<ModuleReach>& r,
               bool moduleStep, httplib::Response& res) {
        if (address.find(prefix) != std::string::npos) {
            res.status = 403;
            return;
        }
        if (fetches.fetch_add(1) >= kMaxFetches) {
            fetches.fetch_sub(1);
            res.status = 503;
            return;
        }
        const auto check = [&](std::string_view url, const sockaddr& peer, bool viaProxy) {
            if (isSelf(url, peer, viaProxy)) return false;
            return moduleStep ? r->allowsModuleStep(url, peer, viaProxy)
                              : r->allowsRequest(url, peer, viaProxy);
        };
        const auto stillWanted = [&] { return !stopping && isCurrent(g); };
        std::string body = httpGet(address, limits, stillWanted, check);
        fetches.fetch_sub(1);
        if (body.empty()) {
            res.status = 404;
            return;
        }
        res.set_content(std::move(body),
                        moduleStep ? "application/x-shockwave-flash" : "application/octet-stream");
    }
};

PlayerServer::PlayerServer(std::filesystem::path ruffleDir, HttpLimits limits)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.limits = limits;
    const QByteArray page = playerPage();
    const std::string pageBytes(page.constData(), static_cast<std::size_t>(page.size()));

    s.server.new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
    // Workers let go of idle connections at once, so that stopping the server
    // (when the window closes) waits for nobody: a connection kept open for
    // later requests, or opened ahead of one, would hold its worker for seconds.
    s.server.set_keep_alive_timeout(0);
    s.server.set_read_timeout(0, 300'000);
    s.server.set_file_extension_and_mimetype_mapping("wasm", "application/wasm");
    s.server.set_file_extension_and_mimetype_mapping("js", "text/javascript");
    s.server.set_mount_point(s.prefix + "/ruffle", ruffleDir.string());
    s.server.set_default_headers({{"Cache-Control", "no-store"}});
    // Only requests for this server by its own name: a page elsewhere whose name
    // was made to resolve to 127.0.0.1 (DNS rebinding) gets nothing.
    s.server.set_pre_routing_handler([&s](const httplib::Request& req, httplib::Response& res) {
        if (req.get_header_value("Host") == s.host && !s.stopping)
            return httplib::Server::HandlerResponse::Unhandled;
        res.status = 403;
        return httplib::Server::HandlerResponse::Handled;
    });

    s.server.Get(s.prefix + "/play.html",
                 [pageBytes](const httplib::Request&, httplib::Response& res) {
                     res.set_header("Content-Security-Policy", kPagePolicy);
                     res.set_content(pageBytes, "text/html; charset=utf-8");
                 });

    s.server.Get(s.prefix + "/blank.swf", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string(kBlankMovie), "application/x-shockwave-flash");
    });

    // (Routes match any path: "." would miss a decoded path holding a line break.)
    // Both routes name the module's generation first; one of an earlier module
    // gets 410 Gone. \returns the module now played and the rest of the target.
    const auto current = [&s](const httplib::Request& req, std::size_t prefixSize,
                              httplib::Response& res, std::string_view& rest) {
        rest = std::string_view(req.target).substr(prefixSize);
        const long long g = takeGeneration(rest);
        State::Current now = s.current();
        if (g != now.generation || now.module.empty()) {
            res.status = 410;
            now.module.clear();
        }
        return now;
    };

    // The module itself: the address the window chose, as it chose it.
    const std::string moviePrefix = s.prefix + std::string(kMoviePath);
    s.server.Get(moviePrefix + R"([\s\S]*)",
                 [&s, current, size = moviePrefix.size()](const httplib::Request& req,
                                                          httplib::Response& res) {
                     std::string_view rest;
                     const State::Current now = current(req, size, res, rest);
                     if (!now.module.empty())
                         s.fetch(now.generation, now.module, now.reach, true, res);
                 });

    // The module's own requests: /route/<generation>/http/host/path?query →
    // http://host/path?query, from the raw target so that the module's escapes
    // reach its server unchanged.
    const std::string routePrefix = s.prefix + std::string(kRoutePath);
    s.server.Get(routePrefix + R"([\s\S]*)",
                 [&s, current, size = routePrefix.size()](const httplib::Request& req,
                                                          httplib::Response& res) {
                     std::string_view rest;
                     const State::Current now = current(req, size, res, rest);
                     if (now.module.empty()) return;
                     std::string address;
                     if (startsWithNoCase(rest, "http/"))
                         address = "http://" + std::string(rest.substr(5));
                     else if (startsWithNoCase(rest, "https/"))
                         address = "https://" + std::string(rest.substr(6));
                     if (address.empty()) {
                         res.status = 403;
                         return;
                     }
                     s.fetch(now.generation, address, now.reach, false, res);
                 });

    s.port = s.server.bind_to_any_port("127.0.0.1");
    if (s.port <= 0) return;
    s.host = "127.0.0.1:" + std::to_string(s.port);
    s.origin = "http://" + s.host;
    s.thread = std::thread([&server = s.server] { server.listen_after_bind(); });
    while (!s.server.is_running())
        std::this_thread::yield(); // stop() needs it running
}

PlayerServer::~PlayerServer() {
    state_->stopping = true; // every fetch gives up within its next wait tick
    if (state_->thread.joinable()) {
        state_->server.stop();
        state_->thread.join();
    }
}

bool PlayerServer::running() const {
    return state_->thread.joinable();
}

std::string PlayerServer::base() const {
    return state_->origin + state_->prefix;
}

PlayerServer::Movie PlayerServer::playModule(std::string_view moduleAddress) {
    State& s = *state_;
    long long g = 0;
    {
        const std::lock_guard lock(s.mutex);
        g = ++s.generation;
        s.module = moduleAddress;
        s.reach = std::make_shared<ModuleReach>(moduleAddress);
    }
    const std::string number = std::to_string(g);
    // The module's folder: relative loads resolve beside it, as when a browser
    // opens the module itself.
    std::string_view folder = moduleAddress.substr(0, moduleAddress.find_first_of("?#"));
    folder = folder.substr(0, folder.rfind('/') + 1);
    return {s.prefix + std::string(kMoviePath) + number + "/movie.swf",
            percentEncode(folder, isUnreserved),
            percentEncode(s.prefix + std::string(kRoutePath) + number + "/", isPathByte)};
}

void PlayerServer::stopModule() {
    const std::lock_guard lock(state_->mutex);
    ++state_->generation;
    state_->module.clear();
    state_->reach.reset();
}

std::string PlayerServer::playerAddress() const {
    return base() + "/play.html";
}

std::string PlayerServer::playerAddress(const Movie& movie) const {
    return playerAddress() + "?movie=" + movie.path + "&base=" + movie.base +
           "&routes=" + movie.routes;
}

std::filesystem::path shippedRuffleDir() {
    const std::filesystem::path appDir = QCoreApplication::applicationDirPath().toStdString();
    return appDir.parent_path() / "share" / "swfscout" / "ruffle";
}

} // namespace platform
