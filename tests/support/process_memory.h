#pragma once

// This process's memory, as the kernel reports it.

#include <cstring>
#include <fstream>
#include <string>

namespace testsupport {

/// A "Key:  N kB" line of /proc/self/status, in KiB (VmRSS:, VmHWM: …), or -1.
inline long long statusKiB(const char* key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0) return std::stoll(line.substr(std::strlen(key)));
    return -1;
}

} // namespace testsupport
