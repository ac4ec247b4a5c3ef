#include "search/page_fetch.h"
#include "tests/support/local_server.h"

#include <atomic>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>

namespace {

using namespace std::string_literals;
using search::buildQueryAddress;
using search::fetchPage;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testsupport::LocalServer;
using testsupport::ProxyThrough;

const std::string kPrefix = "http://r.qzone.qq.com/cgi-bin/custom/output_custom_window.cgi?uin=";
const std::string kSuffix = "&type=html&t=0.7202088427527454&fupdate=1&g_tk=7046";

platform::HttpLimits shortLimits() {
    platform::HttpLimits limits;
    limits.connectTimeout = std::chrono::milliseconds{2000};
    limits.stallTimeout = std::chrono::milliseconds{300};
    limits.totalTimeout = std::chrono::milliseconds{5000};
    return limits;
}

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
    EXPECT_EQ(headers.find("Host")->second, "r.qzone.qq.com");
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

TEST(FetchPage, AcceptsAndDecodesCompressedBodies) {
    LocalServer server;
    const std::string body(100'000, 'x');
    server.onAnyGet([&](const httplib::Request& req, httplib::Response& res) {
        server.record(req);
        res.set_content(body, "text/html"); // the server compresses it when asked
    });
    const ProxyThrough proxy(server);
    EXPECT_EQ(fetchPage("http://example.test/", shortLimits()), body);
    const auto headers = server.lastHeaders();
    ASSERT_NE(headers.find("Accept-Encoding"), headers.end());
    EXPECT_THAT(headers.find("Accept-Encoding")->second, HasSubstr("gzip"));
}

TEST(FetchPage, FailuresGiveTheEmptyText) {
    LocalServer server;
    server.onAnyGet([](const httplib::Request& req, httplib::Response& res) {
        if (req.target.find("/missing") != std::string::npos) {
            res.status = 404;
            res.set_content("not here http://a/ad.swf", "text/html");
        } else if (req.target.find("/error") != std::string::npos) {
            res.status = 500;
            res.set_content("http://a/err.swf", "text/html");
        } else if (req.target.find("/to-file") != std::string::npos) {
            res.set_redirect("file:///etc/passwd");
        } else if (req.target.find("/loop") != std::string::npos) {
            res.set_redirect("http://example.test/loop");
        }
    });
    const ProxyThrough proxy(server);
    EXPECT_THAT(fetchPage("http://example.test/missing", shortLimits()), IsEmpty());
    EXPECT_THAT(fetchPage("http://example.test/error", shortLimits()), IsEmpty());
    EXPECT_THAT(fetchPage("http://example.test/to-file", shortLimits()), IsEmpty());
    EXPECT_THAT(fetchPage("http://example.test/loop", shortLimits()), IsEmpty());
    EXPECT_THAT(fetchPage("file:///etc/passwd", shortLimits()), IsEmpty());
    EXPECT_THAT(fetchPage("", shortLimits()), IsEmpty());
}

TEST(FetchPage, UnreachableServerGivesTheEmptyText) {
    int closedPort = 0;
    {
        LocalServer gone; // a port that was just free and is closed again
        closedPort = gone.port();
    }
    const testsupport::ScopedEnv proxy("http_proxy", "");
    EXPECT_THAT(fetchPage("http://127.0.0.1:" + std::to_string(closedPort) + "/", shortLimits()),
                IsEmpty());
    const testsupport::ScopedEnv deadProxy("http_proxy",
                                           "http://127.0.0.1:" + std::to_string(closedPort));
    EXPECT_THAT(fetchPage(buildQueryAddress("12345"), shortLimits()), IsEmpty());
}

TEST(FetchPage, FollowsRedirects) {
    LocalServer server;
    server.onAnyGet([](const httplib::Request& req, httplib::Response& res) {
        if (req.target.find("/old") != std::string::npos)
            res.set_redirect("http://elsewhere.test/new");
        else
            res.set_content("moved here: " + req.target, "text/html");
    });
    const ProxyThrough proxy(server);
    EXPECT_EQ(fetchPage("http://example.test/old", shortLimits()),
              "moved here: http://elsewhere.test/new");
}

TEST(FetchPage, StalledServerTimesOut) {
    std::atomic<bool> answered{false}; // outlives the server, whose handler writes it
    LocalServer server;
    server.onAnyGet([&](const httplib::Request&, httplib::Response& res) {
        server.holdUntilReleased();
        answered = true;
        res.set_content("too late http://a/1.swf", "text/html");
    });
    const ProxyThrough proxy(server);
    EXPECT_THAT(fetchPage("http://example.test/", shortLimits()), IsEmpty());
    EXPECT_FALSE(answered) << "the request ended only because the server answered";
}

TEST(FetchPage, BodyOverTheCapIsCut) {
    LocalServer server;
    std::string body;
    for (int i = 0; i < 10'000; ++i)
        body += std::to_string(i % 10);
    server.onAnyGet([&](const httplib::Request&, httplib::Response& res) {
        res.set_content(body, "text/html");
    });
    const ProxyThrough proxy(server);
    auto limits = shortLimits();
    limits.maxBodyBytes = 1234;
    EXPECT_EQ(fetchPage("http://example.test/", limits), body.substr(0, 1234));
    limits.maxBodyBytes = body.size();
    EXPECT_EQ(fetchPage("http://example.test/", limits), body);
}

TEST(FetchPage, WaitCallbackRunsAndCanAbandonTheRequest) {
    LocalServer server;
    server.onAnyGet([&](const httplib::Request&, httplib::Response& res) {
        server.holdUntilReleased();
        res.set_content("late", "text/html");
    });
    const ProxyThrough proxy(server);
    auto limits = shortLimits();
    limits.stallTimeout = std::chrono::seconds{30};
    int calls = 0;
    EXPECT_THAT(fetchPage("http://example.test/", limits, [&] { return ++calls < 3; }), IsEmpty());
    EXPECT_EQ(calls, 3);
}

} // namespace
