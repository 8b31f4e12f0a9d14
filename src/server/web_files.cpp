// Path checks with std::filesystem::canonical: it fails for anything missing, so a target is
// either a file that exists inside the folder or nothing.
#include "web_files.h"

#include <filesystem>

#include "peer_address.h"

namespace kokurin {

bool WebFolder::open(const std::string& folder, std::string& error) {
    std::error_code ec;
    const std::filesystem::path root = std::filesystem::canonical(folder, ec);
    if (ec || !std::filesystem::is_directory(root, ec)) {
        error = "'" + folder + "' is not a folder";
        return false;
    }
    root_ = root.string();
    return true;
}

bool WebFolder::resolve(const std::string& target, std::string& path) const {
    if (root_.empty()) {
        return false;
    }
    std::string name = target.substr(0, target.find('?'));
    if (name.empty() || name[0] != '/' || name.size() > 1024 ||
        name.find_first_of(std::string("\\\0", 2)) != std::string::npos) {
        return false;
    }
    if (name.back() == '/') {
        name += "index.html";
    }
    std::error_code ec;
    const std::filesystem::path found = std::filesystem::canonical(root_ + name, ec);
    if (ec || !std::filesystem::is_regular_file(found, ec)) {
        return false;
    }
    const std::string text = found.string();
    // Inside: the root, then a separator (a sibling folder "web2" is not inside "web").
    if (text.size() <= root_.size() || text.compare(0, root_.size(), root_) != 0 ||
        (root_.back() != '/' && text[root_.size()] != '/')) {
        return false;
    }
    path = text;
    return true;
}

const char* contentTypeOf(const std::string& path) {
    static const std::pair<const char*, const char*> types[] = {
        {".html", "text/html; charset=utf-8"},
        {".js", "text/javascript"},
        {".wasm", "application/wasm"},
        {".css", "text/css"},
        {".json", "application/json"},
        {".png", "image/png"},
        {".webmanifest", "application/manifest+json"},
        {".woff2", "font/woff2"},
        {".ttf", "font/ttf"},
    };
    for (const auto& type : types) {
        const std::string ext = type.first;
        if (path.size() >= ext.size() &&
            path.compare(path.size() - ext.size(), ext.size(), ext) == 0) {
            return type.second;
        }
    }
    return "application/octet-stream";
}

bool pageServerAddress(const std::string& host, const std::string& publicUrl, bool tls,
                       std::string& url) {
    if (!publicUrl.empty()) {
        url = publicUrl;
        return true;
    }
    if (host.empty() || host.size() > 255) {
        return false;
    }
    // HOST[:PORT], HOST an IPv4 address, [IPv6] or localhost.
    std::string name = host;
    std::string port;
    const std::size_t bracket = host.rfind(']');
    const std::size_t colon = host.rfind(':');
    if (colon != std::string::npos && (bracket == std::string::npos || colon > bracket)) {
        name = host.substr(0, colon);
        port = host.substr(colon + 1);
        if (port.empty() || port.size() > 5 ||
            port.find_first_not_of("0123456789") != std::string::npos ||
            std::stoul(port) > 65535) {
            return false;
        }
    }
    std::string address;
    const bool literal = name.find(':') == std::string::npos || name.front() == '[';
    if (name != "localhost" && !(literal && canonicalAddress(name, address))) {
        return false;
    }
    url = std::string(tls ? "wss://" : "ws://") + host + "/";
    return true;
}

} // namespace kokurin
