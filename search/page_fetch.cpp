#include "search/page_fetch.h"

#include <algorithm>

namespace search {

Text buildQueryAddress(std::string_view number) {
    Text address;
    address.reserve(kQueryPrefix.size() + number.size() + kQuerySuffix.size());
    address.append(kQueryPrefix).append(number).append(kQuerySuffix);
    return address;
}

Text fetchPage(std::string_view address, const platform::HttpLimits& limits,
               const platform::HttpWait& wait) {
    Text page = platform::httpGet(address, limits, wait);
    page.resize(std::min(page.find('\0'), page.size())); // a text ends at its first zero byte
    return page;
}

} // namespace search
