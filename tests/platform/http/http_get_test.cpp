#include "platform/http/http_get.h"
#include "tests/support/local_server.h"

#include <atomic>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>

namespace {

using platform::httpGet;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testsupport::LocalServer;
using testsupport::ProxyThrough;
using testsupport::shortLimits;

TEST(HttpGet, AcceptsAndDecodesCompressedBodies) {
    LocalServer server;
    const std::string body(100'000, 'x');
    server.onAnyGet([&](const httplib::Request& req, httplib::Response& res) {
        server.record(req);
        res.set_content(body, "text/html"); // the server compresses it when asked
    });
    const ProxyThrough proxy(server);
    EXPECT_EQ(httpGet("http://example.test/", shortLimits()), body);
    const auto headers = server.lastHeaders();
    ASSERT_NE(headers.find("Accept-Encoding"), headers.end());
    EXPECT_THAT(headers.find("Accept-Encoding")->second, HasSubstr("gzip"));
}

TEST(HttpGet, FailuresGiveTheEmptyResult) {
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
    EXPECT_THAT(httpGet("http://example.test/missing", shortLimits()), IsEmpty());
    EXPECT_THAT(httpGet("http://example.test/error", shortLimits()), IsEmpty());
    EXPECT_THAT(httpGet("http://example.test/to-file", shortLimits()), IsEmpty());
    EXPECT_THAT(httpGet("http://example.test/loop", shortLimits()), IsEmpty());
    EXPECT_THAT(httpGet("file:///etc/passwd", shortLimits()), IsEmpty());
    EXPECT_THAT(httpGet("", shortLimits()), IsEmpty());
}

TEST(HttpGet, UnreachableServerGivesTheEmptyResult) {
    int closedPort = 0;
    {
        LocalServer gone; // a port that was just free and is closed again
        closedPort = gone.port();
    }
    const testsupport::ScopedEnv proxy("http_proxy", "");
    EXPECT_THAT(httpGet("http://127.0.0.1:" + std::to_string(closedPort) + "/", shortLimits()),
                IsEmpty());
    const testsupport::ScopedEnv deadProxy("http_proxy",
                                           "http://127.0.0.1:" + std::to_string(closedPort));
    EXPECT_THAT(httpGet("http://example.test/12345", shortLimits()), IsEmpty());
}

TEST(HttpGet, FollowsRedirects) {
    LocalServer server;
    server.onAnyGet([](const httplib::Request& req, httplib::Response& res) {
        if (req.target.find("/old") != std::string::npos)
            res.set_redirect("http://elsewhere.test/new");
        else
            res.set_content("moved here: " + req.target, "text/html");
    });
    const ProxyThrough proxy(server);
    EXPECT_EQ(httpGet("http://example.test/old", shortLimits()),
              "moved here: http://elsewhere.test/new");
}

TEST(HttpGet, StalledServerTimesOut) {
    std::atomic<bool> answered{false}; // outlives the server, whose handler writes it
    LocalServer server;
    server.onAnyGet([&](const httplib::Request&, httplib::Response& res) {
        server.holdUntilReleased();
        answered = true;
        res.set_content("too late http://a/1.swf", "text/html");
    });
    const ProxyThrough proxy(server);
    EXPECT_THAT(httpGet("http://example.test/", shortLimits()), IsEmpty());
    EXPECT_FALSE(answered) << "the request ended only because the server answered";
}

TEST(HttpGet, BodyOverTheCapIsCut) {
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
    EXPECT_EQ(httpGet("http://example.test/", limits), body.substr(0, 1234));
    limits.maxBodyBytes = body.size();
    EXPECT_EQ(httpGet("http://example.test/", limits), body);
}

TEST(HttpGet, WaitCallbackRunsAndCanAbandonTheRequest) {
    LocalServer server;
    server.onAnyGet([&](const httplib::Request&, httplib::Response& res) {
        server.holdUntilReleased();
        res.set_content("late", "text/html");
    });
    const ProxyThrough proxy(server);
    auto limits = shortLimits();
    limits.stallTimeout = std::chrono::seconds{30};
    int calls = 0;
    EXPECT_THAT(httpGet("http://example.test/", limits, [&] { return ++calls < 3; }), IsEmpty());
    EXPECT_EQ(calls, 3);
}

} // namespace
