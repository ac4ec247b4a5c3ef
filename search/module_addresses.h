#pragma once

#include "search/text.h"

#include <string_view>

namespace search {

/// Splits \p text at every occurrence of \p separator.
///
/// The separator is searched from left to right; after a match the search goes
/// on behind it, so matches never overlap. ASCII letters of the separator match
/// without regard to case. The pieces are the text before the first match, the
/// texts between consecutive matches and the text after the last match; the
/// separators are in no piece. Empty pieces are kept: the empty text gives one
/// empty piece, and a separator at either end or two adjacent separators give
/// empty pieces there.
///
/// \p separator must be non-empty and written in lower case.
/// \returns the pieces, always at least one.
[[nodiscard]] TextList splitText(std::string_view text, std::string_view separator);

/// Finds every Flash module address in a page: every stretch that begins with
/// "http" and ends with ".swf", by plain splitting, with no HTML or URL parsing.
///
/// The page is split at "http"; each piece (the one before the first "http"
/// included) that holds ".swf" exactly once gives one address: the page's own
/// bytes from its "http" to the end of that ".swf". Both markers match without
/// regard to ASCII case, so "HTTP://X/A.SWF" is listed as written.
///
/// Consequences worth knowing:
/// - addresses are returned in page order, duplicates included;
/// - whatever lies between the markers is kept: quotes, spaces, markup, line
///   breaks;
/// - an address holding "http" again is cut there (only the part after its
///   last "http" counts);
/// - a piece holding ".swf" twice or more gives nothing;
/// - WARNING: a page whose text before its first "http" holds ".swf" once gives
///   the entry "http" + that text up to the end of ".swf", although no "http"
///   stands there in the page.
///
/// The result owns its texts; \p page may be released afterwards.
[[nodiscard]] TextList extractModuleAddresses(std::string_view page);

} // namespace search
