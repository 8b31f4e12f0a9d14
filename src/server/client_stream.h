// One client's byte stream: a TCP socket, or TLS over it when the server has a certificate. The
// code above it is written once: with() hands it whichever stream this is.
#pragma once

#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>

#include <memory>

namespace kokurin {

class ClientStream {
  public:
    using Socket = boost::asio::ip::tcp::socket;
    using Tls = boost::asio::ssl::stream<Socket&>;

    // context: nullptr for plain TCP.
    ClientStream(Socket socket, boost::asio::ssl::context* context) : socket_(std::move(socket)) {
        if (context != nullptr) {
            tls_ = std::make_unique<Tls>(socket_, *context);
        }
    }
    ClientStream(const ClientStream&) = delete;
    ClientStream& operator=(const ClientStream&) = delete;

    Socket& socket() { return socket_; }
    Tls* tls() { return tls_.get(); }
    template <class Use> void with(Use&& use) {
        if (tls_) {
            use(*tls_);
        } else {
            use(socket_);
        }
    }
    // Makes the socket another event loop's; the TLS session over it goes along. Only with
    // nothing under way on it. On failure the socket stays where it was.
    void rehome(boost::asio::io_context& target, boost::system::error_code& ec) {
        const auto protocol = socket_.local_endpoint(ec).protocol();
        if (ec) {
            return;
        }
        const auto handle = socket_.release(ec);
        if (ec) {
            return;
        }
        Socket moved(target);
        moved.assign(protocol, handle, ec);
        if (ec) {
            boost::system::error_code ignored;
            socket_.assign(protocol, handle, ignored);
            return;
        }
        // The same object (the TLS stream holds it by reference), now the target's.
        socket_ = std::move(moved);
    }
    void close() {
        boost::system::error_code ignored;
        socket_.close(ignored);
    }

  private:
    Socket socket_;
    std::unique_ptr<Tls> tls_;
};

} // namespace kokurin
