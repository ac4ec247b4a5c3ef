// Fuzzes the module address extraction against a second, deliberately plain
// reading of its rules, written from the rules alone: lower-case a copy, split
// it at "http", count ".swf" in each piece, rebuild the address from the
// original bytes. Any difference aborts.

#include "search/module_addresses.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<std::string> plainExtract(const std::string& page) {
    std::string lower = page;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');

    // Where each "http" stands; the pieces lie between them.
    std::vector<std::size_t> marks;
    for (std::size_t at = lower.find("http"); at != std::string::npos;
         at = lower.find("http", at + 4))
        marks.push_back(at);

    std::vector<std::string> out;
    for (std::size_t k = 0; k <= marks.size(); ++k) {
        const bool leading = k == 0;
        const std::size_t begin = leading ? 0 : marks[k - 1] + 4;
        const std::size_t end = k < marks.size() ? marks[k] : page.size();
        const std::string piece = lower.substr(begin, end - begin);

        std::size_t count = 0, first = std::string::npos;
        for (std::size_t at = piece.find(".swf"); at != std::string::npos;
             at = piece.find(".swf", at + 4)) {
            if (count++ == 0) first = at;
        }
        if (count != 1) continue;
        const std::size_t stop = begin + first + 4;
        if (leading)
            out.push_back("http" + page.substr(0, stop));
        else
            out.push_back(page.substr(marks[k - 1], stop - marks[k - 1]));
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string page(reinterpret_cast<const char*>(data), size);
    if (search::extractModuleAddresses(page) != plainExtract(page)) std::abort();
    return 0;
}
