// Which file of the web folder a request asks for, decided before anything is opened: the
// request's path, with every symbolic link resolved, must still be a regular file inside the
// folder (itself resolved once), so no link and no spelling reaches a file outside it.
#pragma once

#include <string>

namespace kokurin {

class WebFolder {
  public:
    // false when the folder does not exist or is not a folder.
    bool open(const std::string& folder, std::string& error);
    bool empty() const { return root_.empty(); }
    // The resolved path of the file a request target ("/", "/page.js?v=2") names; false for a
    // target that names nothing inside the folder.
    bool resolve(const std::string& target, std::string& path) const;

  private:
    std::string root_;
};

// The Content-Type of a file, by its name.
const char* contentTypeOf(const std::string& path);

// What online.json tells a page it served: the server's WebSocket address. With a public URL
// (--public-url) always that one; else the Host header the browser sent, only when it is an IP
// address or localhost (a name the server cannot check is never echoed into an address the page
// will connect to), with wss:// when the server speaks TLS. false: no answer.
bool pageServerAddress(const std::string& host, const std::string& publicUrl, bool tls,
                       std::string& url);

} // namespace kokurin
