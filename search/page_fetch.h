#pragma once

#include "platform/http/http_get.h"
#include "search/text.h"

#include <string_view>

namespace search {

/// The service's custom-window endpoint, up to and including the key of the number.
inline constexpr std::string_view kQueryPrefix =
    "http://b.qzone.qq.com/cgi-bin/custom/output_custom_window.cgi?uin=";

/// The fixed keys that follow the number, the same on every request.
inline constexpr std::string_view kQuerySuffix =
    "&type=html&t=0.7202088427527454&fupdate=1&g_tk=7046";

/// Builds the query address for a QQ number: prefix, \p number, suffix.
///
/// \p number is inserted exactly as typed: not trimmed, escaped or checked to
/// be numeric. The empty number gives an empty `uin` value.
[[nodiscard]] Text buildQueryAddress(std::string_view number);

/// Fetches a page with one HTTP GET of \p address (see platform::httpGet()).
///
/// \returns the body bytes without any decoding, ending before the body's
/// first zero byte if it has one. A failed request gives the empty text.
/// \p wait is called while the request waits for the network.
[[nodiscard]] Text fetchPage(std::string_view address, const platform::HttpLimits& limits = {},
                             const platform::HttpWait& wait = {});

} // namespace search
