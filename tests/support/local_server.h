#pragma once

// A real HTTP server on the loopback interface, for tests. It answers on its
// own threads; the test thread sets it up, then talks to it through libcurl.

#include "platform/http/http_get.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <httplib.h>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

class LocalServer {
public:
    LocalServer() {
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        // stop() does nothing to a server that is not running yet.
        while (!server_.is_running())
            std::this_thread::yield();
    }
    ~LocalServer() {
        release();
        server_.stop();
        thread_.join();
    }
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    httplib::Server& http() { return server_; }
    [[nodiscard]] int port() const { return port_; }
    [[nodiscard]] std::string origin() const { return "http://127.0.0.1:" + std::to_string(port_); }

    /// Answers every GET, whatever its target, with \p handler.
    /// ("." would miss a decoded path holding a line break.)
    void onAnyGet(httplib::Server::Handler handler) {
        server_.Get(R"([\s\S]*)", std::move(handler));
    }

    /// Blocks a handler until release() or the test's end; \returns whether it was released.
    bool holdUntilReleased(std::chrono::seconds limit = std::chrono::seconds{30}) {
        std::unique_lock lock(mutex_);
        return released_cv_.wait_for(lock, limit, [this] { return released_; });
    }
    void release() {
        {
            const std::lock_guard lock(mutex_);
            released_ = true;
        }
        released_cv_.notify_all();
    }

    /// Records what a handler saw, for the test thread to read afterwards.
    void record(const httplib::Request& req) {
        const std::lock_guard lock(mutex_);
        targets_.push_back(req.target);
        lastHeaders_ = req.headers;
    }
    [[nodiscard]] std::vector<std::string> targets() const {
        const std::lock_guard lock(mutex_);
        return targets_;
    }
    [[nodiscard]] httplib::Headers lastHeaders() const {
        const std::lock_guard lock(mutex_);
        return lastHeaders_;
    }

private:
    httplib::Server server_;
    int port_ = -1;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable released_cv_;
    bool released_ = false;
    std::vector<std::string> targets_;
    httplib::Headers lastHeaders_;
};

/// Sets an environment variable for a scope, restoring the old value after.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value)
        : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

/// Routes plain-http requests of this process through \p server as their
/// proxy, the way a user's http_proxy would, so the program's own service
/// address stays what it is.
class ProxyThrough {
public:
    explicit ProxyThrough(const LocalServer& server)
        : http_("http_proxy", server.origin())
        , noProxy_("no_proxy", "")
        , noProxyUpper_("NO_PROXY", "")
        , all_("all_proxy", "") {}

private:
    ScopedEnv http_, noProxy_, noProxyUpper_, all_;
};

/// Bounds short enough for a test to see a time-out happen.
inline platform::HttpLimits shortLimits() {
    platform::HttpLimits limits;
    limits.connectTimeout = std::chrono::milliseconds{2000};
    limits.stallTimeout = std::chrono::milliseconds{300};
    limits.totalTimeout = std::chrono::milliseconds{5000};
    return limits;
}

} // namespace testsupport
