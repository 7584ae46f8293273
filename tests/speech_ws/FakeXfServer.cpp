#include "speech_ws/FakeXfServer.h"

#include <websocketpp/config/asio.hpp>
#include <websocketpp/server.hpp>

#include <mutex>
#include <thread>

using TlsServer = websocketpp::server<websocketpp::config::asio_tls>;
using SslContext = boost::asio::ssl::context;

struct FakeXfServer::Impl {
    TlsServer server;
    std::thread loop;
    Script script;
    std::uint16_t port = 0;

    mutable std::mutex lock;
    websocketpp::connection_hdl current;
    std::string resource;
    std::vector<std::string> frames;
    int opens = 0;
    int failures = 0;
    int closeCode = -1;
};

FakeXfServer::FakeXfServer(const std::string& certFile, const std::string& keyFile, Script script)
    : impl_(std::make_unique<Impl>()) {
    Impl& d = *impl_;
    d.script = std::move(script);
    d.server.clear_access_channels(websocketpp::log::alevel::all);
    d.server.clear_error_channels(websocketpp::log::elevel::all);
    d.server.init_asio();
    d.server.set_reuse_addr(true);
    d.server.set_tls_init_handler([certFile, keyFile](websocketpp::connection_hdl) {
        auto context = websocketpp::lib::make_shared<SslContext>(SslContext::tls_server);
        context->set_options(SslContext::default_workarounds | SslContext::no_sslv2 |
                             SslContext::no_sslv3);
        context->use_certificate_chain_file(certFile);
        context->use_private_key_file(keyFile, SslContext::pem);
        return context;
    });
    d.server.set_open_handler([&d](websocketpp::connection_hdl hdl) {
        std::lock_guard<std::mutex> guard(d.lock);
        d.resource = d.server.get_con_from_hdl(hdl)->get_resource();
        d.current = hdl;
        ++d.opens;
    });
    d.server.set_fail_handler([&d](websocketpp::connection_hdl) {
        std::lock_guard<std::mutex> guard(d.lock);
        ++d.failures;
    });
    d.server.set_close_handler([&d](websocketpp::connection_hdl hdl) {
        std::lock_guard<std::mutex> guard(d.lock);
        d.closeCode = d.server.get_con_from_hdl(hdl)->get_remote_close_code();
    });
    d.server.set_message_handler(
        [this, &d](websocketpp::connection_hdl, TlsServer::message_ptr message) {
            {
                std::lock_guard<std::mutex> guard(d.lock);
                d.frames.push_back(message->get_payload());
            }
            if (d.script)
                d.script(*this, message->get_payload());
        });

    websocketpp::lib::error_code ec;
    d.server.listen(
        boost::asio::ip::tcp::endpoint(boost::asio::ip::address::from_string("127.0.0.1"), 0), ec);
    if (ec)
        return;
    d.server.start_accept(ec);
    boost::system::error_code endpointError;
    d.port = d.server.get_local_endpoint(endpointError).port();
    d.loop = std::thread([&d] { d.server.run(); });
}

FakeXfServer::~FakeXfServer() {
    impl_->server.stop();
    if (impl_->loop.joinable())
        impl_->loop.join();
}

bool FakeXfServer::Listening() const {
    return impl_->port != 0;
}

std::string FakeXfServer::Address() const {
    return "wss://127.0.0.1:" + std::to_string(impl_->port) + "/v2/iat";
}

void FakeXfServer::Reply(const std::string& text) {
    websocketpp::lib::error_code ec;
    impl_->server.send(impl_->current, text, websocketpp::frame::opcode::text, ec);
}

void FakeXfServer::CloseConnection(std::uint16_t code) {
    websocketpp::lib::error_code ec;
    impl_->server.close(impl_->current, code, "", ec);
}

void FakeXfServer::RunOnLoop(std::function<void()> work) {
    impl_->server.get_io_service().post(std::move(work));
}

std::string FakeXfServer::Resource() const {
    std::lock_guard<std::mutex> guard(impl_->lock);
    return impl_->resource;
}

std::vector<std::string> FakeXfServer::Frames() const {
    std::lock_guard<std::mutex> guard(impl_->lock);
    return impl_->frames;
}

int FakeXfServer::Opens() const {
    std::lock_guard<std::mutex> guard(impl_->lock);
    return impl_->opens;
}

int FakeXfServer::Failures() const {
    std::lock_guard<std::mutex> guard(impl_->lock);
    return impl_->failures;
}

int FakeXfServer::CloseCodeFromClient() const {
    std::lock_guard<std::mutex> guard(impl_->lock);
    return impl_->closeCode;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
