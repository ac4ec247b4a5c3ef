#include "search/module_addresses.h"

#include "search/marker_find.h"

namespace search {
namespace {

constexpr std::string_view kScheme = "http";
constexpr std::string_view kExtension = ".swf";
constexpr auto npos = std::string_view::npos;

} // namespace

TextList splitText(std::string_view text, std::string_view separator) {
    TextList pieces;
    std::size_t start = 0;
    for (std::size_t at; (at = findMarker(text, separator, start)) != npos;) {
        pieces.emplace_back(text.substr(start, at - start)); // Push this piece.
        start = at + separator.size();                       // Jump forward.
    }
    pieces.emplace_back(text.substr(start)); // The tail, possibly empty.
    return pieces;
}

TextList extractModuleAddresses(std::string_view page) {
    TextList addresses;
    // One pass, two cursors: `next` walks the "http" markers that bound the
    // pieces, `ext` walks the ".swf" markers. The two markers share no letter,
    // so an extension never straddles a piece boundary.
    std::size_t pieceStart = 0; // where the piece's "http" stands
    std::size_t pieceBody = 0;  // first byte after it
    bool leading = true;        // the piece before the first "http" has no marker
    std::size_t ext = findMarker(page, kExtension);
    for (;;) {
        const std::size_t next = findMarker(page, kScheme, pieceBody);
        const std::size_t pieceEnd = next == npos ? page.size() : next;

        // Extensions left over from a previous piece that held several.
        while (ext != npos && ext < pieceBody)
            ext = findMarker(page, kExtension, ext + kExtension.size());

        if (ext != npos && ext < pieceEnd) {
            const std::size_t end = ext + kExtension.size();
            ext = findMarker(page, kExtension, end);
            if (ext == npos || ext >= pieceEnd) { // exactly one in this piece
                if (leading)
                    addresses.push_back(Text(kScheme).append(page.substr(0, end)));
                else
                    addresses.emplace_back(page.substr(pieceStart, end - pieceStart));
            }
        }

        if (next == npos) break;
        pieceStart = next;
        pieceBody = next + kScheme.size();
        leading = false;
    }
    return addresses;
}

} // namespace search
