// Peak memory of a search whose server sends a 2 GiB body: the page is cut at
// the 64 MiB cap, so the process must grow by little more than that.

#include "search/page_fetch.h"
#include "tests/support/local_server.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

long long statusKiB(const char* key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0) return std::stoll(line.substr(std::strlen(key)));
    return -1;
}

} // namespace

int main() {
    const platform::HttpSession http;
    testsupport::LocalServer server;
    const std::string block(1 << 20, 'x');
    constexpr std::size_t kBody = std::size_t{2} << 30;
    server.onAnyGet([&](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(
            kBody, "application/octet-stream",
            [&](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                (void)offset;
                return sink.write(block.data(), std::min(length, block.size()));
            });
    });
    const testsupport::ProxyThrough proxy(server);
    std::ofstream("/proc/self/clear_refs") << "5";
    const long long before = statusKiB("VmRSS:");
    const auto t0 = std::chrono::steady_clock::now();
    const search::Text page = search::fetchPage(search::buildQueryAddress("10000"));
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    const long long grown = statusKiB("VmHWM:") - before;
    std::printf(
        "| 2 GiB body, 64 MiB cap | page kept: %.1f MiB | peak growth: %.1f MiB | %.0f ms |\n",
        static_cast<double>(page.size()) / (1 << 20), static_cast<double>(grown) / 1024, ms);
}
