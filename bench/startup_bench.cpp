// Start → window on screen: the program's start beside a bare Qt window's,
// each a fresh process, alternating, from fork() to the first painted frame.

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

long long nowNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1'000'000'000LL + t.tv_nsec;
}

// Starts \p program and returns the milliseconds until it reports its first frame.
double timeToFirstFrame(const std::string& program) {
    int out[2];
    if (pipe(out) != 0) return -1;
    const long long start = nowNs();
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string text;
    char buffer[64];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (text.empty()) return -1;
    return static_cast<double>(std::stoll(text) - start) / 1e6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const std::string self = argv[0];
    const std::string dir = self.substr(0, self.rfind('/') + 1);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 9;
    std::vector<double> ours, bare;
    timeToFirstFrame(dir + "startup_probe"); // warm the file cache for both
    timeToFirstFrame(dir + "bare_window");
    for (int r = 0; r < rounds; ++r) {
        ours.push_back(timeToFirstFrame(dir + "startup_probe"));
        bare.push_back(timeToFirstFrame(dir + "bare_window"));
    }
    const double o = median(ours), b = median(bare);
    std::printf(
        "| start → window on screen | %.1f ms | a bare Qt window | %.1f ms | %.2f | ≤ 2.00 |\n", o,
        b, o / b);
}
