// wss:// for the Windows builds (MinGW has no OpenSSL): WinHTTP's WebSocket over Schannel, the
// server's certificate checked against the system's store and the host name by Windows itself.
// With --ca-file, a certificate Windows does not know the authority of is accepted only when
// that file's authority signed it. The calls block, so one thread of the transport's own makes
// them; the game's thread only takes what arrived and queues what it sends.
#include <windows.h>
#include <wincrypt.h>
#include <winhttp.h>

#include <condition_variable>
#include <deque>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include "desktop_online/websocket_transport.h"
#include "net/protocol.h"

namespace kokurin {

namespace {

std::wstring wide(const std::string& utf8) {
    if (utf8.empty()) {
        return L"";
    }
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                      nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
    return out;
}

struct Handle {
    HINTERNET h = nullptr;
    ~Handle() { reset(); }
    void reset(HINTERNET next = nullptr) {
        if (h != nullptr) {
            WinHttpCloseHandle(h);
        }
        h = next;
    }
};

// Whether the PEM file's authority signed the certificate.
bool signedByCaFile(PCCERT_CONTEXT server, const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    const std::string pem = text.str();
    for (std::size_t at = pem.find("-----BEGIN CERTIFICATE-----"); at != std::string::npos;
         at = pem.find("-----BEGIN CERTIFICATE-----", at + 1)) {
        const std::size_t end = pem.find("-----END CERTIFICATE-----", at);
        if (end == std::string::npos) {
            break;
        }
        const std::string one = pem.substr(at, end + 25 - at);
        DWORD size = 0;
        if (!CryptStringToBinaryA(one.c_str(), static_cast<DWORD>(one.size()),
                                  CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) {
            continue;
        }
        std::string der(size, '\0');
        CryptStringToBinaryA(one.c_str(), static_cast<DWORD>(one.size()),
                             CRYPT_STRING_BASE64HEADER, reinterpret_cast<BYTE*>(&der[0]), &size,
                             nullptr, nullptr);
        PCCERT_CONTEXT ca = CertCreateCertificateContext(
            X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()), size);
        if (ca == nullptr) {
            continue;
        }
        const BOOL ok = CryptVerifyCertificateSignatureEx(
            0, X509_ASN_ENCODING, CRYPT_VERIFY_CERT_SIGN_SUBJECT_CERT,
            const_cast<CERT_CONTEXT*>(server), CRYPT_VERIFY_CERT_SIGN_ISSUER_CERT,
            const_cast<CERT_CONTEXT*>(ca), 0, nullptr);
        CertFreeCertificateContext(ca);
        if (ok) {
            return true;
        }
    }
    return false;
}

using Status = net::Transport::Status;

// One connection: its handles, its two threads and what they share. The threads hold it alive
// and end by themselves (a blocking receive is not cut short by closing its handle under Wine),
// so closing never waits for the network.
class Link {
  public:
    bool connect(const std::string& url, const std::shared_ptr<Link>& self) {
        bool secure = false;
        std::string host;
        std::string port;
        std::string path;
        std::lock_guard<std::mutex> lock(mutex_);
        inbox_.clear();
        refused_ = false;
        if (!splitWebSocketUrl(url, secure, host, port, path) || !secure) {
            status_ = Status::Closed;
            reason_ = "'" + url + "' is not a server address (wss://host:port/)";
            return false;
        }
        status_ = Status::Connecting;
        stop_ = false;
        std::thread([self, host, port, path] { self->run(host, port, path); }).detach();
        return true;
    }

    void send(const std::vector<std::uint8_t>& bytes) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (bytes.empty() || status_ != Status::Open) {
            return;
        }
        // Written by a thread of its own: the game's thread never waits on the network.
        outbox_.push_back(bytes);
        wake_.notify_all();
    }

    Status poll(std::vector<std::vector<std::uint8_t>>& received) {
        std::lock_guard<std::mutex> lock(mutex_);
        received.assign(inbox_.begin(), inbox_.end());
        inbox_.clear();
        return status_;
    }

    void close() {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
        if (status_ != Status::Closed) {
            status_ = Status::Closed;
            reason_ = "closed";
        }
        wake_.notify_all();
        arrived_.notify_all();
        // The server answers a close frame with its own and ends the connection, which ends the
        // receiving thread's wait.
        if (socket_ != nullptr) {
            WinHttpWebSocketShutdown(socket_, WINHTTP_WEB_SOCKET_SUCCESS_CLOSE_STATUS, nullptr, 0);
        }
        if (request_.h != nullptr) {
            // A request still connecting is cut short.
            request_.reset();
        }
    }

    std::string closeReason() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return reason_;
    }

    bool certificateRefused() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return refused_;
    }

    void waitForTraffic(int milliseconds) {
        std::unique_lock<std::mutex> lock(mutex_);
        arrived_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                          [this] { return !inbox_.empty() || status_ == Status::Closed; });
    }

  private:
    void fail(const std::string& why, bool certificate = false) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (status_ != Status::Closed) {
            status_ = Status::Closed;
            reason_ = why;
            refused_ = certificate;
        }
        arrived_.notify_all();
        wake_.notify_all();
    }

    // One attempt at the upgrade; the error, or 0 with the request answered.
    DWORD attempt(const std::wstring& path, bool anyAuthority) {
        HINTERNET request = WinHttpOpenRequest(connection_.h, L"GET", path.c_str(), nullptr,
                                               WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                               WINHTTP_FLAG_SECURE);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            request_.reset(request);
        }
        if (request == nullptr) {
            return GetLastError();
        }
        if (anyAuthority) {
            DWORD flags = SECURITY_FLAG_IGNORE_UNKNOWN_CA;
            WinHttpSetOption(request, WINHTTP_OPTION_SECURITY_FLAGS, &flags, sizeof flags);
        }
        WinHttpSetOption(request, WINHTTP_OPTION_UPGRADE_TO_WEB_SOCKET, nullptr, 0);
        if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, nullptr, 0, 0, 0) ||
            !WinHttpReceiveResponse(request, nullptr)) {
            return GetLastError();
        }
        return 0;
    }

    void run(const std::string& host, const std::string& port, const std::string& path) {
        serve(host, port, path);
        // The end: the sender stopped, then every handle let go here, on this thread.
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (status_ != Status::Closed) {
                status_ = Status::Closed;
                reason_ = "the connection to the server was lost";
            }
            wake_.notify_all();
            arrived_.notify_all();
        }
        if (sender_.joinable()) {
            sender_.join();
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (socket_ != nullptr) {
            WinHttpCloseHandle(socket_);
            socket_ = nullptr;
        }
        request_.reset();
        connection_.reset();
        session_.reset();
    }

    void serve(const std::string& host, const std::string& port, const std::string& path) {
        session_.reset(WinHttpOpen(L"kokurin", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                   WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
        if (session_.h == nullptr) {
            fail("this system cannot open a connection");
            return;
        }
        WinHttpSetTimeouts(session_.h, 10000, 10000, 10000, 0);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stop_) {
                return;
            }
            connection_.reset(WinHttpConnect(session_.h, wide(host).c_str(),
                                             static_cast<INTERNET_PORT>(std::stoi(port)), 0));
        }
        if (connection_.h == nullptr) {
            fail("the server " + host + " cannot be found");
            return;
        }
        const std::wstring widePath = wide(path);
        DWORD error = attempt(widePath, false);
        bool privateAuthority = false;
        // Windows says INVALID_CA; Wine's WinHTTP ends the TLS session instead (CHANNEL_ERROR).
        const bool unknownAuthority = error == ERROR_WINHTTP_SECURE_INVALID_CA ||
                                      error == ERROR_WINHTTP_SECURE_CHANNEL_ERROR;
        if (unknownAuthority && !trustedCaFile().empty()) {
            // An authority the system does not know: the one given with --ca-file may vouch.
            error = attempt(widePath, true);
            privateAuthority = true;
        }
        if (error == 0 && privateAuthority) {
            PCCERT_CONTEXT server = nullptr;
            DWORD size = sizeof server;
            const bool known = WinHttpQueryOption(request_.h, WINHTTP_OPTION_SERVER_CERT_CONTEXT,
                                                  &server, &size) &&
                               server != nullptr && signedByCaFile(server, trustedCaFile());
            if (server != nullptr) {
                CertFreeCertificateContext(server);
            }
            if (!known) {
                error = ERROR_WINHTTP_SECURE_INVALID_CA;
            }
        }
        if (error == ERROR_WINHTTP_SECURE_INVALID_CA) {
            fail(untrustedCertificateReason("unable to get local issuer certificate"), true);
            return;
        }
        if (error == ERROR_WINHTTP_SECURE_CHANNEL_ERROR) {
            fail(untrustedCertificateReason("the system ended the secure connection"), true);
            return;
        }
        if (error == ERROR_WINHTTP_SECURE_CERT_CN_INVALID) {
            fail(untrustedCertificateReason("it names another host"), true);
            return;
        }
        if (error == ERROR_WINHTTP_SECURE_CERT_DATE_INVALID ||
            error == ERROR_WINHTTP_SECURE_FAILURE || error == ERROR_WINHTTP_SECURE_INVALID_CERT ||
            error == ERROR_WINHTTP_SECURE_CERT_REVOKED) {
            fail(untrustedCertificateReason("Windows refused it, error " + std::to_string(error)),
                 true);
            return;
        }
        if (error != 0) {
            fail("no kokurin server answers at " + host + " (WinHTTP error " +
                 std::to_string(error) + ")");
            return;
        }
        DWORD status = 0;
        DWORD size = sizeof status;
        WinHttpQueryHeaders(request_.h, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
        HINTERNET socket = status == 101 ? WinHttpWebSocketCompleteUpgrade(request_.h, 0) : nullptr;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            request_.reset();
            if (socket == nullptr || stop_) {
                if (socket != nullptr) {
                    WinHttpCloseHandle(socket);
                }
                if (status_ != Status::Closed) {
                    status_ = Status::Closed;
                    reason_ = "the server did not accept a game connection";
                }
                arrived_.notify_all();
                return;
            }
            socket_ = socket;
            status_ = Status::Open;
            sender_ = std::thread([this, socket] { write(socket); });
        }
        receive(socket);
    }

    // Writes what the game queued until the connection ends.
    void write(HINTERNET socket) {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stop_ || status_ != Status::Open || !outbox_.empty(); });
            if (stop_ || status_ != Status::Open) {
                return;
            }
            std::vector<std::uint8_t> bytes = std::move(outbox_.front());
            outbox_.pop_front();
            lock.unlock();
            const DWORD error = WinHttpWebSocketSend(
                socket, WINHTTP_WEB_SOCKET_BINARY_MESSAGE_BUFFER_TYPE, bytes.data(),
                static_cast<DWORD>(bytes.size()));
            lock.lock();
            if (error != NO_ERROR) {
                if (status_ != Status::Closed) {
                    status_ = Status::Closed;
                    reason_ = "the connection to the server was lost";
                }
                arrived_.notify_all();
                return;
            }
        }
    }

    // Reads messages until the connection ends; fragments are joined.
    void receive(HINTERNET socket) {
        std::vector<std::uint8_t> message;
        std::vector<std::uint8_t> buffer(net::maxMessageBytes);
        for (;;) {
            DWORD read = 0;
            WINHTTP_WEB_SOCKET_BUFFER_TYPE type = WINHTTP_WEB_SOCKET_BINARY_MESSAGE_BUFFER_TYPE;
            const DWORD error = WinHttpWebSocketReceive(socket, buffer.data(),
                                                        static_cast<DWORD>(buffer.size()), &read,
                                                        &type);
            if (error != NO_ERROR || type == WINHTTP_WEB_SOCKET_CLOSE_BUFFER_TYPE) {
                fail(error == NO_ERROR ? "the server closed the connection"
                                       : "the connection to the server was lost");
                return;
            }
            message.insert(message.end(), buffer.begin(), buffer.begin() + read);
            if (message.size() > net::maxMessageBytes) {
                fail("the server sent a message this game cannot read");
                return;
            }
            if (type == WINHTTP_WEB_SOCKET_BINARY_MESSAGE_BUFFER_TYPE) {
                std::lock_guard<std::mutex> lock(mutex_);
                inbox_.push_back(std::move(message));
                message.clear();
                arrived_.notify_all();
            } else if (type == WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE) {
                // Text is no part of the protocol.
                message.clear();
            }
        }
    }

    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::condition_variable wake_;
    std::deque<std::vector<std::uint8_t>> outbox_;
    Status status_ = Status::Closed;
    std::string reason_;
    bool refused_ = false;
    bool stop_ = false;
    std::deque<std::vector<std::uint8_t>> inbox_;
    Handle session_;
    Handle connection_;
    Handle request_;
    HINTERNET socket_ = nullptr;
    std::thread sender_;
};

class WinHttpWebSocket : public net::Transport {
  public:
    ~WinHttpWebSocket() override { close(); }

    bool connect(const std::string& url) override {
        close();
        link_ = std::make_shared<Link>();
        return link_->connect(url, link_);
    }
    void send(const std::vector<std::uint8_t>& bytes) override {
        if (link_) {
            link_->send(bytes);
        }
    }
    Status poll(std::vector<std::vector<std::uint8_t>>& received) override {
        if (!link_) {
            received.clear();
            return Status::Closed;
        }
        return link_->poll(received);
    }
    void close() override {
        if (link_) {
            link_->close();
        }
    }
    std::string closeReason() const override { return link_ ? link_->closeReason() : "closed"; }
    bool certificateRefused() const override { return link_ && link_->certificateRefused(); }
    void waitForTraffic(int milliseconds) override {
        if (link_) {
            link_->waitForTraffic(milliseconds);
        }
    }

  private:
    std::shared_ptr<Link> link_;
};

} // namespace

std::unique_ptr<net::Transport> openSystemTlsWebSocket() {
    return std::make_unique<WinHttpWebSocket>();
}

} // namespace kokurin
