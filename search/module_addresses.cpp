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
    // One pass over the markers of both kinds, in page order. The current
    // piece runs from its "http" (or the page's start) to the next "http".
    std::size_t pieceStart = 0; // where the piece's "http" stands
    bool leading = true;        // the piece before the first "http" has none
    int extensions = 0;         // ".swf" markers seen in the piece, counted up to 2
    std::size_t addressEnd = 0; // end of the piece's first ".swf"
    const auto finishPiece = [&] {
        if (extensions != 1) return;
        if (leading)
            addresses.push_back(Text(kScheme).append(page.substr(0, addressEnd)));
        else
            addresses.emplace_back(page.substr(pieceStart, addressEnd - pieceStart));
    };
    scanMarkers(
        page, kScheme, kExtension,
        [&](std::size_t at) { // "http": the piece ends, the next begins
            finishPiece();
            pieceStart = at;
            leading = false;
            extensions = 0;
        },
        [&](std::size_t at) { // ".swf"
            if (extensions == 0) addressEnd = at + kExtension.size();
            if (extensions < 2) ++extensions;
        });
    finishPiece();
    return addresses;
}

} // namespace search
