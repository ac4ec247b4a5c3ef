#include "search/marker_find.h"
#include "search/module_addresses.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using search::extractModuleAddresses;
using search::splitText;
using search::TextList;
using ::testing::ElementsAreArray;

using namespace std::string_literals;

TEST(SplitText, PiecesAndEdges) {
    struct {
        std::string text;
        std::string separator;
        TextList expect;
    } const cases[] = {
        {"", "http", {""}},
        {"abc", "http", {"abc"}},
        {"http", "http", {"", ""}},
        {"a.swf", ".swf", {"a", ""}},
        {".swf.swf", ".swf", {"", "", ""}},
        {"xhttpyhttpz", "http", {"x", "y", "z"}},
        {"httphttp", "http", {"", "", ""}},
        {"aHTTPbHttpc", "http", {"a", "b", "c"}},
        {"a.SWFb", ".swf", {"a", "b"}},
        // Not letters, so no folding: 0x0E | 0x20 would be '.'.
        {"a\x0Eswfb", ".swf", {"a\x0Eswfb"}},
        {"htt", "http", {"htt"}},
        {"a\0b.swfc"s, ".swf", {"a\0b"s, "c"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_THAT(splitText(c.text, c.separator), ElementsAreArray(c.expect));
    }
}

TEST(ExtractModuleAddresses, Cases) {
    struct {
        const char* name;
        std::string page;
        TextList expect;
    } const cases[] = {
        {"empty page", "", {}},
        {"no extension", "<a href=\"http://x/y.html\">http://z</a>", {}},
        {"extension alone", ".swf", {"http.swf"}},
        {"marker and extension", "http.swf", {"http.swf"}},
        {"attribute value in quotes",
         "<embed src=\"http://qzs.qq.com/m/1.swf\" width=\"10\">",
         {"http://qzs.qq.com/m/1.swf"}},
        {"two addresses in page order",
         "x http://a/1.swf y http://b/2.swf z",
         {"http://a/1.swf", "http://b/2.swf"}},
        {"duplicates stay", "http://a/1.swf http://a/1.swf", {"http://a/1.swf", "http://a/1.swf"}},
        {"back to back", "http://a/1.swfhttp://b/2.swf", {"http://a/1.swf", "http://b/2.swf"}},
        {"https keeps its s", "src='https://a/1.swf'", {"https://a/1.swf"}},
        {"nested http cuts the address", "http://a/?u=http://b/2.swf", {"http://b/2.swf"}},
        {"two extensions in a piece give nothing", "http://a/1.swf?next=2.swf", {}},
        {"adjacent extensions count twice", "http://a/1.swf.swf", {}},
        {"leading text with one extension",
         "clip.swf then http://a/1.swf",
         {"httpclip.swf", "http://a/1.swf"}},
        {"leading text with http before it is a normal piece",
         "http://a/1.swf",
         {"http://a/1.swf"}},
        {"address runs across markup and line breaks",
         "http://a/\n<b>x</b>\r\n1.swf\"",
         {"http://a/\n<b>x</b>\r\n1.swf"}},
        {"extension inside a longer name", "http://a/1.swf2x", {"http://a/1.swf"}},
        {"http inside a longer word splits",
         "<meta http-equiv=\"x\" content=\"y.swf\">",
         {"http-equiv=\"x\" content=\"y.swf"}},
        {"piece without extension gives nothing",
         "http://a/1.html http://b/2.swf",
         {"http://b/2.swf"}},
        {"upper case kept as written",
         "HTTP://A/B.SWF and Http://c/d.Swf",
         {"HTTP://A/B.SWF", "Http://c/d.Swf"}},
        {"Chinese text around", "模块：http://a/音乐.swf，好", {"http://a/音乐.swf"}},
        {"zero bytes are just bytes", "http://a/\0.swf"s, {"http://a/\0.swf"s}},
        {"page ends right after extension", "xx http://a/b.swf", {"http://a/b.swf"}},
        {"three extensions then a good piece",
         "http://a.swf.swf.swf http://b.swf",
         {"http://b.swf"}},
        {"truncated markers", "htt .sw http", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THAT(extractModuleAddresses(c.page), ElementsAreArray(c.expect));
    }
}

// The extraction is a single pass with its own cursors; the splitting rules
// it stands for, spelled out with splitText, must give the same list. Long
// pages cross the 16-byte blocks of the marker search at every offset.
TEST(ExtractModuleAddresses, AgreesWithSplittingRules) {
    const auto bySplitting = [](const std::string& page) {
        TextList out;
        bool leading = true;
        std::size_t at = 0; // where the current piece's marker starts in the page
        for (const auto& piece : splitText(page, "http")) {
            const auto parts = splitText(piece, ".swf");
            if (parts.size() == 2) {
                const std::size_t len = parts[0].size() + 4;
                out.push_back(leading ? "http" + page.substr(0, len) : page.substr(at, 4 + len));
            }
            at += (leading ? 0 : 4) + piece.size();
            leading = false;
        }
        return out;
    };
    const std::string atoms[] = {"http", "HTTP", ".swf", ".SWF", "h",   "t",   "p",   ".", "s",
                                 "w",    "f",    "x",    "ht",   "ttp", ".sw", "\0"s, "汉"};
    unsigned seed = 12345;
    for (int round = 0; round < 3000; ++round) {
        std::string page;
        const int n = static_cast<int>(seed % 40);
        for (int i = 0; i < n; ++i) {
            seed = seed * 1103515245u + 12345u;
            page += atoms[(seed >> 16) % std::size(atoms)];
        }
        seed = seed * 1103515245u + 12345u;
        SCOPED_TRACE(page);
        ASSERT_EQ(extractModuleAddresses(page), bySplitting(page));
    }
}

TEST(FindMarker, EveryOffsetAndLength) {
    // A marker at every position of texts of every length up to 70, so both
    // the block search and the tail search find it, and nothing past the end.
    for (std::size_t len = 0; len <= 70; ++len) {
        for (std::size_t pos = 0; pos + 4 <= len; ++pos) {
            std::string text(len, 'h');
            text.replace(pos, 4, "hTtP");
            SCOPED_TRACE(testing::Message() << len << " " << pos);
            // 'h' filler: the first match must be where "tTp" follows an 'h'.
            EXPECT_EQ(search::findMarker(text, "http"), pos);
            EXPECT_EQ(search::findMarker(text, "http", pos + 1), std::string::npos);
        }
        EXPECT_EQ(search::findMarker(std::string(len, 'h'), "http"), std::string::npos);
    }
}

} // namespace
