#include "platform/qt/player_server.h"

#include <QCoreApplication>
#include <QFile>
#include <array>
#include <httplib.h>
#include <random>
#include <thread>

namespace platform {
namespace {

constexpr std::string_view kModulePath = "/module/";

std::string randomPrefix() {
    std::random_device device;
    std::array<unsigned, 4> words{};
    for (auto& w : words)
        w = device();
    std::string prefix = "/";
    static constexpr char hex[] = "0123456789abcdef";
    for (const unsigned w : words)
        for (int shift = 28; shift >= 0; shift -= 4)
            prefix += hex[(w >> shift) & 0xF];
    return prefix;
}

QByteArray playerPage() {
    QFile page(QStringLiteral(":/swfscout/player.html"));
    return page.open(QIODevice::ReadOnly) ? page.readAll() : QByteArray{};
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

// A module address that points back at this server would make it fetch from
// itself, one thread per round, until its threads run out.
bool isOwnAddress(std::string_view address, int port) {
    const std::size_t hostStart = address.find("://") + 3;
    const std::string_view rest = address.substr(hostStart);
    const std::string_view hostPort = rest.substr(0, rest.find_first_of("/?#"));
    const std::string suffix = ":" + std::to_string(port);
    if (hostPort.size() < suffix.size() ||
        hostPort.substr(hostPort.size() - suffix.size()) != suffix)
        return false;
    const std::string_view host = hostPort.substr(0, hostPort.size() - suffix.size());
    return host == "[::1]" || startsWithNoCase(host, "localhost") || host.starts_with("127.") ||
           host == "0.0.0.0" || host == "0";
}

} // namespace

struct PlayerServer::State {
    httplib::Server server;
    std::string prefix = randomPrefix();
    std::string origin;
    int port = 0;
    HttpLimits limits;
    std::thread thread;
};

PlayerServer::PlayerServer(std::filesystem::path ruffleDir, HttpLimits limits)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.limits = limits;
    const QByteArray page = playerPage();
    const std::string pageBytes(page.constData(), static_cast<std::size_t>(page.size()));

    s.server.set_file_extension_and_mimetype_mapping("wasm", "application/wasm");
    s.server.set_file_extension_and_mimetype_mapping("js", "text/javascript");
    s.server.set_mount_point(s.prefix + "/ruffle", ruffleDir.string());
    s.server.set_default_headers({{"Cache-Control", "no-store"}});

    s.server.Get(s.prefix + "/play.html",
                 [pageBytes](const httplib::Request&, httplib::Response& res) {
                     res.set_content(pageBytes, "text/html; charset=utf-8");
                 });

    // /module/http/host/path?query → http://host/path?query, taken from the raw target
    // so that the module's own escapes reach its server unchanged. Relative loads of
    // a module resolve below the same prefix and are fetched the same way.
    const std::string modulePrefix = s.prefix + std::string(kModulePath);
    s.server.Get(modulePrefix + ".*", [&s, modulePrefix](const httplib::Request& req,
                                                         httplib::Response& res) {
        const std::string_view rest = std::string_view(req.target).substr(modulePrefix.size());
        std::string address;
        if (startsWithNoCase(rest, "http/"))
            address = "http://" + std::string(rest.substr(5));
        else if (startsWithNoCase(rest, "https/"))
            address = "https://" + std::string(rest.substr(6));
        if (address.empty() || isOwnAddress(address, s.port)) {
            res.status = 403;
            return;
        }
        std::string body = httpGet(address, s.limits);
        if (body.empty()) {
            res.status = 404;
            return;
        }
        res.set_content(std::move(body), "application/x-shockwave-flash");
    });

    s.port = s.server.bind_to_any_port("127.0.0.1");
    if (s.port <= 0) return;
    s.origin = "http://127.0.0.1:" + std::to_string(s.port);
    s.thread = std::thread([&server = s.server] { server.listen_after_bind(); });
    while (!s.server.is_running())
        std::this_thread::yield(); // stop() needs it running
}

PlayerServer::~PlayerServer() {
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

std::string PlayerServer::modulePath(std::string_view moduleAddress) const {
    // The scheme becomes the path's first step: http://host/p → /module/http/host/p.
    const std::size_t colon = moduleAddress.find("://");
    std::string scheme(moduleAddress.substr(0, colon));
    for (char& c : scheme)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string path = state_->prefix + std::string(kModulePath) + scheme + "/" +
                             std::string(moduleAddress.substr(colon + 3));
    // Encoded once more, so it can stand as a query value and in a script's string.
    std::string encoded;
    static constexpr char hex[] = "0123456789ABCDEF";
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~' || c == '/') {
            encoded += ch;
        } else {
            encoded += '%';
            encoded += hex[c >> 4];
            encoded += hex[c & 0xF];
        }
    }
    return encoded;
}

std::string PlayerServer::playerAddress(std::string_view moduleAddress) const {
    std::string address = base() + "/play.html";
    if (!moduleAddress.empty()) address += "?movie=" + modulePath(moduleAddress);
    return address;
}

std::filesystem::path shippedRuffleDir() {
    const std::filesystem::path appDir = QCoreApplication::applicationDirPath().toStdString();
    return appDir.parent_path() / "share" / "swfscout" / "ruffle";
}

} // namespace platform
