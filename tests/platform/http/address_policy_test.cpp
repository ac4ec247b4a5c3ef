// The address policy of played modules: how hosts and addresses are judged,
// and that a guarded GET never reaches a local server it may not reach. All
// traffic stays on loopback: "public" hosts are names a loopback proxy answers.

#include "platform/http/address_policy.h"
#include "tests/support/local_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <string>

namespace {

using platform::ModuleReach;
using testsupport::LocalServer;
using testsupport::ScopedEnv;
using testsupport::shortLimits;

// A socket address built from text, for judging; nothing connects to it.
sockaddr_storage addressOf(const std::string& ip, int port = 80) {
    sockaddr_storage a{};
    if (auto* v4 = reinterpret_cast<sockaddr_in*>(&a);
        inet_pton(AF_INET, ip.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<std::uint16_t>(port));
    } else if (auto* v6 = reinterpret_cast<sockaddr_in6*>(&a);
               inet_pton(AF_INET6, ip.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<std::uint16_t>(port));
    }
    return a;
}
const sockaddr& as(const sockaddr_storage& a) {
    return reinterpret_cast<const sockaddr&>(a);
}

// Every address in this table and the next test is only judged, as text or as a
// socket address built here: nothing connects to one. Requests in this file go
// to loopback servers alone.
TEST(AddressPolicy, HostsAndAddressesAreJudgedAsBrowsersDo) {
    struct {
        const char* host;
        bool isPublic;
        const char* numeric; // the same address for isPublicAddress, where it is one
    } const cases[] = {
        {"127.0.0.1", false, "127.0.0.1"},
        {"127.8.9.10", false, "127.8.9.10"},
        {"2130706433", false, nullptr},
        {"0x7f.0.0.1", false, nullptr},
        {"0177.0.0.1", false, nullptr},
        {"0x7f.1", false, nullptr},
        {"127.1", false, nullptr},
        {"127.0.0.1.", false, nullptr},
        {"%31%32%37.0.0.1", false, nullptr},
        {"localhost", false, nullptr},
        {"LocalHost.", false, nullptr},
        {"intranet.localhost", false, nullptr},
        {"0.0.0.0", false, "0.0.0.0"},
        {"0", false, nullptr},
        {"10.1.2.3", false, "10.1.2.3"},
        {"172.16.0.1", false, "172.16.0.1"},
        {"172.31.255.255", false, "172.31.255.255"},
        {"192.168.1.1", false, "192.168.1.1"},
        {"100.64.0.1", false, "100.64.0.1"},
        {"169.254.169.254", false, "169.254.169.254"},
        {"224.0.0.1", false, "224.0.0.1"},
        {"255.255.255.255", false, "255.255.255.255"},
        {"[::1]", false, "::1"},
        {"[::]", false, "::"},
        {"[::ffff:127.0.0.1]", false, "::ffff:127.0.0.1"},
        {"[::ffff:a9fe:a9fe]", false, "::ffff:a9fe:a9fe"},
        {"[::10.0.0.1]", false, "::10.0.0.1"},
        {"[64:ff9b::c0a8:101]", false, "64:ff9b::c0a8:101"},
        {"[2002:7f00:1::]", false, "2002:7f00:1::"},
        {"[fd12:3456::1]", false, "fd12:3456::1"},
        {"[fe80::1%25eth0]", false, "fe80::1"},
        {"[fec0::1]", false, "fec0::1"},
        {"[ff02::1]", false, "ff02::1"},
        // Public.
        {"8.8.8.8", true, "8.8.8.8"},
        {"172.32.0.1", true, "172.32.0.1"},
        {"100.128.0.1", true, "100.128.0.1"},
        {"169.255.0.1", true, "169.255.0.1"},
        {"[2001:4860:4860::8888]", true, "2001:4860:4860::8888"},
        {"[::ffff:8.8.8.8]", true, "::ffff:8.8.8.8"},
        {"qzs.qq.com", true, nullptr},
        {"localhost.example", true, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host);
        EXPECT_EQ(platform::isPublicHost(c.host), c.isPublic);
        if (c.numeric != nullptr) {
            EXPECT_EQ(platform::isPublicAddress(as(addressOf(c.numeric))), c.isPublic);
        }
    }
}

TEST(AddressPolicy, OriginsAreReadAsAUrlParserReadsThem) {
    using platform::Origin;
    EXPECT_EQ(platform::originOf("HTTP://Mods.Example/a/b.swf"),
              (Origin{"http", "mods.example", 80}));
    EXPECT_EQ(platform::originOf("https://mods.example:8443/b.swf"),
              (Origin{"https", "mods.example", 8443}));
    EXPECT_EQ(platform::originOf("http://2130706433/x"), (Origin{"http", "127.0.0.1", 80}));
    EXPECT_EQ(platform::originOf("http://user@0x7f.1:0080/x"), (Origin{"http", "127.0.0.1", 80}));
    EXPECT_EQ(platform::originOf("ftp://mods.example/a.swf"), std::nullopt);
    EXPECT_EQ(platform::originOf("not an address"), std::nullopt);
}

// A module's own origin may be local only when the user chose a local module;
// a public origin that later resolves to a local address (DNS rebinding) may not.
TEST(AddressPolicy, OwnOriginIsExemptOnlyWhenItWasLocalToBeginWith) {
    const auto loopback = addressOf("127.0.0.1", 8080);
    const auto publicPeer = addressOf("203.0.113.7", 80);

    ModuleReach local("http://127.0.0.1:8080/dir/m.swf");
    EXPECT_TRUE(local.allowsModuleStep("http://127.0.0.1:8080/dir/m.swf", as(loopback), false));
    EXPECT_TRUE(local.allowsRequest("http://127.0.0.1:8080/dir/vars.txt", as(loopback), false));
    EXPECT_TRUE(local.allowsRequest("http://2130706433:8080/other", as(loopback), false));
    EXPECT_FALSE(local.allowsRequest("http://127.0.0.1:8081/secret",
                                     as(addressOf("127.0.0.1", 8081)), false));
    EXPECT_FALSE(local.allowsRequest("https://127.0.0.1:8080/secret", as(loopback), false));

    ModuleReach rebinding("http://mods.example/m.swf");
    EXPECT_TRUE(rebinding.allowsModuleStep("http://mods.example/m.swf", as(publicPeer), false));
    EXPECT_TRUE(rebinding.allowsRequest("http://mods.example/vars.txt", as(publicPeer), false));
    EXPECT_FALSE(rebinding.allowsRequest("http://mods.example/vars.txt", as(loopback), false));
    // A redirect of the module's own fetch is judged like any request.
    EXPECT_FALSE(
        rebinding.allowsModuleStep("http://10.0.0.1/m.swf", as(addressOf("10.0.0.1")), false));

    // Through a proxy the host as written decides.
    ModuleReach proxied("http://mods.example/m.swf");
    EXPECT_TRUE(proxied.allowsModuleStep("http://mods.example/m.swf", as(loopback), true));
    EXPECT_TRUE(proxied.allowsRequest("http://data.example/v.txt", as(loopback), true));
    EXPECT_FALSE(proxied.allowsRequest("http://0177.0.0.1/secret", as(loopback), true));
    EXPECT_FALSE(proxied.allowsRequest("http://localhost/secret", as(loopback), true));
}

// Real GETs guarded by a module's reach: the intranet is a loopback server,
// public hosts are names a loopback proxy answers.
class GuardedGet : public ::testing::Test {
protected:
    GuardedGet() {
        intranet_.onAnyGet([this](const httplib::Request& req, httplib::Response& res) {
            intranet_.record(req);
            res.set_content("secret", "text/plain");
        });
        internet_.onAnyGet([this](const httplib::Request& req, httplib::Response& res) {
            internet_.record(req);
            if (req.target.find("/to-intranet") != std::string::npos)
                res.set_redirect(intranet() + "/secret");
            else if (req.target.find("/to-localhost") != std::string::npos)
                res.set_redirect("http://localhost:" + std::to_string(intranet_.port()) +
                                 "/secret");
            else
                res.set_content("public data", "text/plain");
        });
    }
    std::string intranet() const { return intranet_.origin(); }
    std::string intranetPort() const { return std::to_string(intranet_.port()); }

    // GETs \p address as a request of the module at \p module.
    std::string moduleRequest(const std::string& module, const std::string& address) {
        ModuleReach reach(module);
        return platform::httpGet(address, shortLimits(), {},
                                 [&](std::string_view url, const sockaddr& peer, bool viaProxy) {
                                     return reach.allowsRequest(url, peer, viaProxy);
                                 });
    }

    LocalServer intranet_;
    LocalServer internet_;
};

TEST_F(GuardedGet, ThroughAProxyLocalHostsAreRefusedInEverySpelling) {
    const testsupport::ProxyThrough proxy(internet_);
    const std::string module = "http://evil.example/a.swf";
    EXPECT_EQ(moduleRequest(module, "http://data.example/v.txt"), "public data");
    const std::string port = intranetPort();
    for (const std::string host :
         {"127.0.0.1", "2130706433", "0x7f.0.0.1", "0177.0.0.1", "x@127.0.0.1", "127.1",
          "localhost", "[::1]", "[::ffff:127.0.0.1]", "127.0.0.1.", "%31%32%37.0.0.1"}) {
        SCOPED_TRACE(host);
        EXPECT_EQ(moduleRequest(module, "http://" + host + ":" + port + "/secret"), "");
        EXPECT_EQ(moduleRequest(module, "http://" + host + ":0" + port + "/secret"), "");
    }
    EXPECT_EQ(moduleRequest(module, "http://evil.example/to-intranet"), "");
    EXPECT_EQ(moduleRequest(module, "http://evil.example/to-localhost"), "");
    for (const auto& target : internet_.targets())
        EXPECT_EQ(target.find("secret"), std::string::npos) << target;
    EXPECT_TRUE(intranet_.targets().empty());
}

TEST_F(GuardedGet, DirectConnectionsAreJudgedByTheAddressConnected) {
    const testsupport::ProxyThrough proxy(internet_);
    // Straight to the intranet, not through the proxy: the address connected decides,
    // whatever the name.
    const ScopedEnv direct("no_proxy", "127.0.0.1,localhost,2130706433");
    const std::string module = "http://evil.example/a.swf";
    EXPECT_EQ(moduleRequest(module, intranet() + "/secret"), "");
    EXPECT_EQ(moduleRequest(module, "http://localhost:" + intranetPort() + "/secret"), "");
    EXPECT_EQ(moduleRequest(module, "http://2130706433:" + intranetPort() + "/secret"), "");
    // A public server's redirect into the intranet.
    EXPECT_EQ(moduleRequest(module, "http://evil.example/to-intranet"), "");
    EXPECT_EQ(moduleRequest(module, "http://evil.example/to-localhost"), "");
    EXPECT_TRUE(intranet_.targets().empty());

    // A module the user chose on the intranet may read beside itself, and only there.
    const std::string local = intranet() + "/dir/m.swf";
    ModuleReach reach(local);
    const auto check = [&](std::string_view url, const sockaddr& peer, bool viaProxy) {
        return reach.allowsModuleStep(url, peer, viaProxy);
    };
    EXPECT_EQ(platform::httpGet(local, shortLimits(), {}, check), "secret");
    EXPECT_EQ(platform::httpGet(intranet() + "/dir/vars.txt", shortLimits(), {},
                                [&](std::string_view url, const sockaddr& peer, bool viaProxy) {
                                    return reach.allowsRequest(url, peer, viaProxy);
                                }),
              "secret");
    EXPECT_EQ(intranet_.targets(), (std::vector<std::string>{"/dir/m.swf", "/dir/vars.txt"}));
}

} // namespace
