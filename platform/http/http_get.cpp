#include "platform/http/http_get.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstdlib>
#include <cstring>
#include <curl/curl.h>
#include <memory>
#include <netdb.h>
#include <sys/socket.h>
#include <vector>

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

struct EasyDeleter {
    void operator()(CURL* h) const noexcept { curl_easy_cleanup(h); }
};
struct MultiDeleter {
    void operator()(CURLM* h) const noexcept { curl_multi_cleanup(h); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;
using Multi = std::unique_ptr<CURLM, MultiDeleter>;

// Keeps an easy handle attached to a multi handle for the scope's lifetime.
class Attached {
public:
    Attached(CURLM* multi, CURL* easy)
        : multi_(multi)
        , easy_(easy) {
        ok_ = curl_multi_add_handle(multi_, easy_) == CURLM_OK;
    }
    ~Attached() {
        if (ok_) curl_multi_remove_handle(multi_, easy_);
    }
    Attached(const Attached&) = delete;
    Attached& operator=(const Attached&) = delete;
    [[nodiscard]] bool ok() const { return ok_; }

private:
    CURLM* multi_;
    CURL* easy_;
    bool ok_ = false;
};

struct Sink {
    CURL* easy = nullptr;
    std::string body;
    std::size_t cap = 0;
    bool capped = false;
    Clock::time_point lastByte;
};

std::size_t writeBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const std::size_t n = size * count;
    sink->lastByte = Clock::now();
    if (sink->body.empty()) {
        // One allocation of the announced size (up to the cap), instead of
        // doubling through it with two copies alive at each step.
        curl_off_t announced = -1;
        curl_easy_getinfo(sink->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        if (announced > 0)
            sink->body.reserve(std::min(static_cast<std::size_t>(announced), sink->cap));
    }
    const std::size_t room = sink->cap - sink->body.size();
    if (n > room) {
        sink->body.append(data, room);
        sink->capped = true;
        return 0; // anything but n ends the transfer
    }
    sink->body.append(data, n);
    return n;
}

bool sameEndpoint(const sockaddr& a, const sockaddr_storage& b) {
    if (a.sa_family != b.ss_family) return false;
    if (a.sa_family == AF_INET) {
        const auto& x = reinterpret_cast<const sockaddr_in&>(a);
        const auto& y = reinterpret_cast<const sockaddr_in&>(b);
        return x.sin_port == y.sin_port && x.sin_addr.s_addr == y.sin_addr.s_addr;
    }
    if (a.sa_family == AF_INET6) {
        const auto& x = reinterpret_cast<const sockaddr_in6&>(a);
        const auto& y = reinterpret_cast<const sockaddr_in6&>(b);
        return x.sin6_port == y.sin6_port &&
               std::memcmp(&x.sin6_addr, &y.sin6_addr, sizeof x.sin6_addr) == 0;
    }
    return false;
}

// The addresses of the proxies named in the environment, the variables libcurl
// itself reads. A connection to one of them is a connection to a proxy.
std::vector<sockaddr_storage> environmentProxies() {
    std::vector<sockaddr_storage> found;
    for (const char* name :
         {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') continue;
        std::string proxy = value;
        if (proxy.find("://") == std::string::npos) proxy = "http://" + proxy;
        CURLU* url = curl_url();
        if (url == nullptr) continue;
        char* host = nullptr;
        char* port = nullptr;
        if (curl_url_set(url, CURLUPART_URL, proxy.c_str(), 0) == CURLUE_OK &&
            curl_url_get(url, CURLUPART_HOST, &host, 0) == CURLUE_OK) {
            curl_url_get(url, CURLUPART_PORT, &port, 0);
            std::string hostName = host;
            if (hostName.size() > 2 && hostName.front() == '[')
                hostName = hostName.substr(1, hostName.size() - 2);
            addrinfo hints{};
            hints.ai_socktype = SOCK_STREAM;
            addrinfo* list = nullptr;
            if (getaddrinfo(hostName.c_str(), port ? port : "1080", &hints, &list) == 0) {
                for (const addrinfo* a = list; a != nullptr; a = a->ai_next) {
                    sockaddr_storage address{};
                    std::memcpy(&address, a->ai_addr,
                                std::min<std::size_t>(a->ai_addrlen, sizeof address));
                    found.push_back(address);
                }
                freeaddrinfo(list);
            }
        }
        curl_free(host);
        curl_free(port);
        curl_url_cleanup(url);
    }
    return found;
}

// Puts a ConnectCheck before every connection and every request of a transfer.
struct Guard {
    CURL* easy = nullptr;
    const ConnectCheck* check = nullptr;
    std::vector<sockaddr_storage> proxies;

    bool allows(const sockaddr& peer) const {
        const char* url = nullptr;
        curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &url);
        const bool viaProxy =
            std::any_of(proxies.begin(), proxies.end(),
                        [&](const sockaddr_storage& p) { return sameEndpoint(peer, p); });
        return (*check)(url != nullptr ? url : "", peer, viaProxy);
    }
};

curl_socket_t openSocket(void* user, curlsocktype purpose, curl_sockaddr* address) {
    const auto* guard = static_cast<const Guard*>(user);
    if (purpose != CURLSOCKTYPE_IPCXN || !guard->allows(address->addr)) return CURL_SOCKET_BAD;
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

int beforeRequest(void* user, char* peerIp, char*, int peerPort, int) {
    const auto* guard = static_cast<const Guard*>(user);
    sockaddr_storage peer{};
    if (auto* v4 = reinterpret_cast<sockaddr_in*>(&peer);
        inet_pton(AF_INET, peerIp, &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<std::uint16_t>(peerPort));
    } else if (auto* v6 = reinterpret_cast<sockaddr_in6*>(&peer);
               inet_pton(AF_INET6, peerIp, &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<std::uint16_t>(peerPort));
    } else {
        return CURL_PREREQFUNC_ABORT;
    }
    return guard->allows(reinterpret_cast<const sockaddr&>(peer)) ? CURL_PREREQFUNC_OK
                                                                  : CURL_PREREQFUNC_ABORT;
}

bool guard(CURL* h, Guard* g) {
    return curl_easy_setopt(h, CURLOPT_OPENSOCKETFUNCTION, openSocket) == CURLE_OK &&
           curl_easy_setopt(h, CURLOPT_OPENSOCKETDATA, g) == CURLE_OK &&
           curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, beforeRequest) == CURLE_OK &&
           curl_easy_setopt(h, CURLOPT_PREREQDATA, g) == CURLE_OK;
}

bool isWireSafe(unsigned char c) {
    static constexpr std::string_view unsafe = "\"<>\\^`{|}#";
    return c > 0x20 && c < 0x7F && unsafe.find(static_cast<char>(c)) == std::string_view::npos;
}

bool configure(CURL* h, const std::string& url, const HttpLimits& limits, Sink* sink) {
    const auto ms = [](std::chrono::milliseconds d) { return static_cast<long>(d.count()); };
    // Each option is checked: an option this libcurl lacks must not pass silently.
    return curl_easy_setopt(h, CURLOPT_URL, url.c_str()) == CURLE_OK &&
           // Only the web: no file:, ftp:, gopher: …, neither asked for nor redirected to.
           curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
           curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK &&
           curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
           curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L) == CURLE_OK &&
           // "" offers every encoding this libcurl can decode, and decodes it.
           curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "") == CURLE_OK &&
           curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, ms(limits.connectTimeout)) == CURLE_OK &&
           curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, ms(limits.totalTimeout)) == CURLE_OK &&
           // No signals: time-outs must not need SIGALRM in a threaded program.
           curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
           curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, writeBody) == CURLE_OK &&
           curl_easy_setopt(h, CURLOPT_WRITEDATA, sink) == CURLE_OK;
}

} // namespace

std::string percentEncode(std::string_view text, bool (*keep)(unsigned char)) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (keep(c)) {
            out += ch;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0x0F];
        }
    }
    return out;
}

std::string wireAddress(std::string_view address) {
    return percentEncode(address, isWireSafe);
}

std::string httpGet(std::string_view address, const HttpLimits& limits, const HttpWait& wait,
                    const ConnectCheck& check) {
    const Easy easy{curl_easy_init()};
    const Multi multi{curl_multi_init()};
    if (!easy || !multi) return {};

    Sink sink;
    sink.easy = easy.get();
    sink.cap = limits.maxBodyBytes;
    sink.lastByte = Clock::now();
    if (!configure(easy.get(), wireAddress(address), limits, &sink)) return {};
    Guard guarded;
    if (check) {
        guarded = {easy.get(), &check, environmentProxies()};
        if (!guard(easy.get(), &guarded)) return {};
    }

    const Attached attached{multi.get(), easy.get()};
    if (!attached.ok()) return {};

    constexpr auto tick = std::chrono::milliseconds{50};
    auto lastWait = Clock::now();
    for (int running = 1;;) {
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) return {};
        if (running == 0) break;
        const auto now = Clock::now();
        if (now - sink.lastByte > limits.stallTimeout) return {};
        if (wait && now - lastWait >= tick) {
            if (!wait()) return {};
            lastWait = Clock::now();
        }
        if (curl_multi_poll(multi.get(), nullptr, 0, static_cast<int>(tick.count()), nullptr) !=
            CURLM_OK)
            return {};
    }

    CURLcode result = CURLE_FAILED_INIT;
    int queued = 0;
    while (const CURLMsg* msg = curl_multi_info_read(multi.get(), &queued)) {
        if (msg->msg == CURLMSG_DONE) result = msg->data.result;
    }
    long status = 0;
    curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status);
    const bool complete = result == CURLE_OK || (result == CURLE_WRITE_ERROR && sink.capped);
    if (!complete || status < 200 || status > 299) return {};
    return std::move(sink.body);
}

HttpSession::HttpSession() {
    curl_global_init(CURL_GLOBAL_ALL);
}
HttpSession::~HttpSession() {
    curl_global_cleanup();
}

} // namespace platform
