#include "search/page_fetch.h"
#include "tests/support/local_server.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>

namespace {

using namespace std::string_literals;
using search::buildQueryAddress;
using search::fetchPage;
using testsupport::LocalServer;
using testsupport::ProxyThrough;
using testsupport::shortLimits;

const std::string kPrefix = "http://b.qzone.qq.com/cgi-bin/custom/output_custom_window.cgi?uin=";
const std::string kSuffix = "&type=html&t=0.7202088427527454&fupdate=1&g_tk=7046";

TEST(BuildQueryAddress, NumberStandsUnchangedBetweenPrefixAndSuffix) {
    for (const std::string number : {"12345", "", " 12 a#&<", "号码"}) {
        SCOPED_TRACE(number);
        EXPECT_EQ(buildQueryAddress(number), kPrefix + number + kSuffix);
    }
}

// What reaches the wire: the service's absolute address, as a proxy sees it.
TEST(FetchPage, SendsTheQueryAddressThroughTheProxy) {
    struct {
        std::string number;
        std::string onWire;
    } const cases[] = {
        {"12345", "12345"},
        {"", ""},
        {" 1 2", "%201%202"},
        {"1#2", "1%232"},
        {"a\"<>\\^`{|}b", "a%22%3C%3E%5C%5E%60%7B%7C%7Db"},
        {"号", "%E5%8F%B7"},
        {"1%32", "1%32"},
    };
    LocalServer server;
    server.onAnyGet([&](const httplib::Request& req, httplib::Response& res) {
        server.record(req);
        res.set_content("<html>ok</html>", "text/html");
    });
    const ProxyThrough proxy(server);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        EXPECT_EQ(fetchPage(buildQueryAddress(c.number), shortLimits()), "<html>ok</html>");
        ASSERT_FALSE(server.targets().empty());
        EXPECT_EQ(server.targets().back(), kPrefix + c.onWire + kSuffix);
    }
    const auto headers = server.lastHeaders();
    EXPECT_EQ(headers.find("Cookie"), headers.end());
    EXPECT_EQ(headers.find("User-Agent"), headers.end());
    ASSERT_NE(headers.find("Host"), headers.end());
    EXPECT_EQ(headers.find("Host")->second, "b.qzone.qq.com");
}

TEST(FetchPage, BodyBytesStayAndEndAtTheFirstZeroByte) {
    LocalServer server;
    server.onAnyGet([](const httplib::Request& req, httplib::Response& res) {
        if (req.target.find("nul") != std::string::npos)
            res.set_content("ab\0c"s, "text/html");
        else
            res.set_content("\xE4\xB8\xAD&amp;<b>\r\n\xFF", "text/html; charset=gbk");
    });
    const ProxyThrough proxy(server);
    EXPECT_EQ(fetchPage("http://example.test/nul", shortLimits()), "ab");
    EXPECT_EQ(fetchPage("http://example.test/raw", shortLimits()), "\xE4\xB8\xAD&amp;<b>\r\n\xFF");
}

} // namespace
