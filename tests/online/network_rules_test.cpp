// The server's network rules without sockets: which address a connection counts under (and when
// a proxy is believed), the per-address cap, which file a request may reach, and which address
// online.json may name.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "peer_address.h"
#include "server_options.h"
#include "web_files.h"

namespace kokurin {
namespace {

TEST(PeerAddress, OneAddressHasOneSpelling) {
    std::string a;
    ASSERT_TRUE(canonicalAddress("::ffff:192.0.2.7", a));
    EXPECT_EQ(a, "192.0.2.7");
    ASSERT_TRUE(canonicalAddress("[2001:DB8:0::1]", a));
    EXPECT_EQ(a, "2001:db8::1");
    for (const char* bad : {"", "localhost", "192.0.2", "1.2.3.4.5", "::g", "[::1", "1.2.3.4:80"}) {
        EXPECT_FALSE(canonicalAddress(bad, a)) << bad;
    }
}

TEST(PeerAddress, OnlyATrustedProxyNamesTheClientAndOnlyFromTheRight) {
    TrustedProxies proxies;
    std::string error;
    ASSERT_TRUE(proxies.parse("127.0.0.1, 10.0.0.0/8,fd00::/8", error)) << error;
    EXPECT_TRUE(proxies.trusts("10.200.3.4"));
    EXPECT_TRUE(proxies.trusts("::ffff:10.0.0.1"));
    EXPECT_TRUE(proxies.trusts("fd12::1"));
    EXPECT_FALSE(proxies.trusts("11.0.0.1"));
    EXPECT_FALSE(proxies.trusts("fe80::1"));
    const struct {
        const char* peer;
        const char* header;
        const char* client;
    } cases[] = {
        {"203.0.113.5", "198.51.100.1", "203.0.113.5"},  // not a proxy: the header is nobody's
        {"127.0.0.1", "", "127.0.0.1"},                  // a proxy that says nothing
        {"127.0.0.1", "198.51.100.1", "198.51.100.1"},
        // The client wrote the left part itself; the proxy appended what it saw.
        {"127.0.0.1", "1.1.1.1, 198.51.100.1", "198.51.100.1"},
        // Two proxies of ours, the outer one's entry read past.
        {"127.0.0.1", "6.6.6.6, 198.51.100.1 , 10.1.1.1", "198.51.100.1"},
        {"127.0.0.1", "198.51.100.1:4000", "198.51.100.1"},
        {"127.0.0.1", "[2001:db8::5]", "2001:db8::5"},
        // Garbage stops the walk at the last address known good.
        {"127.0.0.1", "198.51.100.1, not-an-address", "127.0.0.1"},
        {"127.0.0.1", "garbage, 10.0.0.9", "10.0.0.9"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(forwardedClient(c.peer, c.header, proxies), c.client) << c.header;
    }
    for (const char* bad : {"", "127.0.0.1,", "10.0.0.0/33", "::/129", "10.0.0.0/", "x"}) {
        EXPECT_FALSE(TrustedProxies().parse(bad, error)) << bad;
    }
}

TEST(PeerAddress, ConnectionsPerAddressAreCappedAndGivenBack) {
    PeerCounts counts(2);
    EXPECT_TRUE(counts.admit("a"));
    EXPECT_TRUE(counts.admit("a"));
    EXPECT_FALSE(counts.admit("a"));
    EXPECT_TRUE(counts.admit("b"));
    counts.release("a");
    EXPECT_TRUE(counts.admit("a"));
    EXPECT_EQ(counts.of("a"), 2u);
    counts.release("a");
    counts.release("a");
    counts.release("b");
    EXPECT_EQ(counts.of("a") + counts.of("b"), 0u);
}

TEST(WebFolder, OnlyFilesInsideTheFolderAfterEveryLink) {
    namespace fs = std::filesystem;
    const fs::path top = fs::temp_directory_path() / ("kokurin-web-" + std::to_string(::getpid()));
    fs::remove_all(top);
    fs::create_directories(top / "web" / "sub");
    fs::create_directories(top / "web2");
    std::ofstream(top / "web" / "index.html") << "i";
    std::ofstream(top / "web" / "sub" / "a.js") << "a";
    std::ofstream(top / "web2" / "x.js") << "x";
    std::ofstream(top / "secret") << "s";
    fs::create_symlink(top / "secret", top / "web" / "out");
    fs::create_symlink(top / "web2", top / "web" / "sibling");
    fs::create_symlink(top / "web" / "sub" / "a.js", top / "web" / "in.js");
    WebFolder web;
    std::string error;
    ASSERT_FALSE(web.open((top / "nothing").string(), error));
    // The folder itself given through a link is resolved once.
    fs::create_symlink(top / "web", top / "link");
    ASSERT_TRUE(web.open((top / "link").string(), error)) << error;
    std::string path;
    ASSERT_TRUE(web.resolve("/", path));
    EXPECT_EQ(path, (top / "web" / "index.html").string());
    ASSERT_TRUE(web.resolve("/in.js?v=1", path));
    EXPECT_EQ(path, (top / "web" / "sub" / "a.js").string());
    EXPECT_TRUE(web.resolve("/sub/../index.html", path));
    for (const char* refused : {"/out", "/sibling/x.js", "/../secret", "/sub/../../secret",
                                "/../web2/x.js", "/sub", "/missing", "", "index.html",
                                "/sub\\a.js", "//etc/passwd"}) {
        EXPECT_FALSE(web.resolve(refused, path)) << refused;
    }
    fs::remove_all(top);
    EXPECT_STREQ(contentTypeOf("/x/game.wasm"), "application/wasm");
    EXPECT_STREQ(contentTypeOf("/x/README"), "application/octet-stream");
}

TEST(WebFolder, OnlineJsonNamesOnlyAnAddressItCanCheck) {
    std::string url;
    ASSERT_TRUE(pageServerAddress("127.0.0.1:8620", "", false, url));
    EXPECT_EQ(url, "ws://127.0.0.1:8620/");
    ASSERT_TRUE(pageServerAddress("[::1]:8620", "", true, url));
    EXPECT_EQ(url, "wss://[::1]:8620/");
    ASSERT_TRUE(pageServerAddress("localhost", "", true, url));
    EXPECT_EQ(url, "wss://localhost/");
    ASSERT_TRUE(pageServerAddress("evil.example", "wss://play.example/", false, url));
    EXPECT_EQ(url, "wss://play.example/");
    for (const char* bad : {"", "evil.example", "evil.example:80", "127.0.0.1:", "127.0.0.1:x",
                            "127.0.0.1:70000", "::1", "[::1", "1.2.3.4\"}", "a b", "localhost.:1"}) {
        EXPECT_FALSE(pageServerAddress(bad, "", false, url)) << bad;
    }
}

TEST(ServerOptions, LimitsAndTlsFlags) {
    ServerOptions options;
    std::string error;
    // --version stops at once, whatever follows.
    ASSERT_TRUE(parseServerOptions({"--version", "--bogus"}, options, error)) << error;
    EXPECT_TRUE(options.version);
    options = ServerOptions();
    ASSERT_TRUE(parseServerOptions({}, options, error));
    EXPECT_EQ(options.maxConnectionsPerIp, 32u);
    EXPECT_EQ(options.sendQueueBytes, 4u << 20);
    EXPECT_EQ(options.handshakeMs, 10000u);
    EXPECT_EQ(options.logLevel, "info");
    ASSERT_TRUE(parseServerOptions({"--max-connections-per-ip", "5", "--send-queue-kib", "64",
                                    "--handshake-seconds", "2", "--log-level", "debug",
                                    "--tls-cert", "c.pem", "--tls-key", "k.pem",
                                    "--trust-proxy", "10.0.0.1"},
                                   options, error))
        << error;
    EXPECT_EQ(options.maxConnectionsPerIp, 5u);
    EXPECT_EQ(options.sendQueueBytes, 64u << 10);
    EXPECT_EQ(options.tlsKey, "k.pem");
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--tls-cert", "c.pem"}, {"--max-connections-per-ip", "0"},
          {"--send-queue-kib", "4"}, {"--handshake-seconds", "0"}, {"--log-level", "loud"}}) {
        ServerOptions o;
        EXPECT_FALSE(parseServerOptions(bad, o, error)) << bad[0];
    }
}

} // namespace
} // namespace kokurin
