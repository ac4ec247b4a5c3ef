// Peak memory of one extraction: the process's resident high-water mark while
// extracting, less the page and the output, for each page size, each in a
// child process of its own.

#include "bench/synthetic_page.h"
#include "search/module_addresses.h"

#include <cstdio>
#include <fstream>
#include <malloc.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A field of /proc/self/status, in bytes.
long long statusBytes(const std::string& key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key + ":", 0) == 0) return std::stoll(line.substr(key.size() + 1)) * 1024;
    return -1;
}

void measure(std::size_t mib, bool dense) {
    const std::string page = bench::syntheticPage(mib << 20, dense);
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5"; // reset the high-water mark
    const long long before = statusBytes("VmRSS");
    const search::TextList found = search::extractModuleAddresses(page);
    const long long peak = statusBytes("VmHWM");

    long long output = static_cast<long long>(found.capacity() * sizeof(search::Text));
    for (const auto& address : found)
        if (address.capacity() > 15) // beyond the small-string buffer: a heap block
            output +=
                static_cast<long long>(malloc_usable_size(const_cast<char*>(address.data())) + 8);
    const double mb = 1 << 20;
    std::printf("| %5zu MiB | %-6s | %9zu | %9.1f | %9.1f | %9.1f |\n", mib,
                dense ? "dense" : "normal", found.size(), static_cast<double>(output) / mb,
                static_cast<double>(peak - before) / mb,
                static_cast<double>(peak - before - output) / mb);
}

} // namespace

int main() {
    std::printf("| page | kind | addresses | output MiB | peak growth MiB | overhead MiB |\n");
    std::printf("|---|---|---|---|---|---|\n");
    std::fflush(stdout);
    for (const bool dense : {false, true}) {
        for (const std::size_t mib : {1, 16, 256, 1024}) {
            const pid_t child = fork();
            if (child == 0) {
                measure(mib, dense);
                std::fflush(stdout);
                _exit(0);
            }
            int status = 0;
            waitpid(child, &status, 0);
        }
    }
}
