#include "platform/http_get.h"

#include <algorithm>
#include <curl/curl.h>
#include <memory>

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

bool configure(CURL* h, const std::string& url, const HttpLimits& limits, Sink* sink,
               char* errorBuffer) {
    const auto ms = [](std::chrono::milliseconds d) { return static_cast<long>(d.count()); };
    // Each option is checked: an option this libcurl lacks must not pass silently.
    return curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer) == CURLE_OK &&
           curl_easy_setopt(h, CURLOPT_URL, url.c_str()) == CURLE_OK &&
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

std::string wireAddress(std::string_view address) {
    static constexpr std::string_view unsafe = "\"<>\\^`{|}#";
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(address.size());
    for (const char ch : address) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c >= 0x7F || unsafe.find(ch) != std::string_view::npos) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0x0F];
        } else {
            out += ch;
        }
    }
    return out;
}

std::string httpGet(std::string_view address, const HttpLimits& limits, const HttpWait& wait) {
    const Easy easy{curl_easy_init()};
    const Multi multi{curl_multi_init()};
    if (!easy || !multi) return {};

    Sink sink;
    sink.easy = easy.get();
    sink.cap = limits.maxBodyBytes;
    sink.lastByte = Clock::now();
    char errorBuffer[CURL_ERROR_SIZE] = {}; // the reason, for a debugger; never shown
    if (!configure(easy.get(), wireAddress(address), limits, &sink, errorBuffer)) return {};

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
