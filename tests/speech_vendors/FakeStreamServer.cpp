#include "speech_vendors/FakeStreamServer.h"

#include <websocketpp/config/asio.hpp>
#include <websocketpp/server.hpp>

#include <mutex>
#include <thread>

namespace {

using PlainServer = websocketpp::server<websocketpp::config::asio>;
using TlsServer = websocketpp::server<websocketpp::config::asio_tls>;
using SslContext = boost::asio::ssl::context;

// What a connection did, whatever its transport.
struct Record {
    mutable std::mutex lock;
    std::vector<std::string> resources;
    std::vector<std::string> frames;
    int opens = 0;
    int closes = 0;
    int closeCode = -1;
};

class ServerBase {
public:
    virtual ~ServerBase() = default;
    virtual void Send(const std::string& text, bool binary) = 0;
    virtual void Close(std::uint16_t code) = 0;
    virtual void Stop() = 0;
    std::uint16_t port = 0;
};

template <typename Server> class TypedServer : public ServerBase {
public:
    TypedServer(FakeStreamServer& owner, const FakeStreamServer::Options& options, Record& record)
        : m_owner(owner), m_options(options), m_record(record) {
        m_server.clear_access_channels(websocketpp::log::alevel::all);
        m_server.clear_error_channels(websocketpp::log::elevel::all);
        m_server.init_asio();
        m_server.set_reuse_addr(true);
        // Replies leave at once, as from a vendor's tuned server: without this each reply's
        // second write would wait for the client's delayed acknowledgement.
        m_server.set_tcp_pre_init_handler([this](websocketpp::connection_hdl hdl) {
            websocketpp::lib::error_code ec;
            const auto connection = m_server.get_con_from_hdl(hdl, ec);
            boost::system::error_code optionError;
            if (connection)
                connection->get_raw_socket().set_option(boost::asio::ip::tcp::no_delay(true),
                                                        optionError);
        });
        InstallTls();
        m_server.set_validate_handler([this](websocketpp::connection_hdl hdl) {
            auto connection = m_server.get_con_from_hdl(hdl);
            {
                std::lock_guard<std::mutex> guard(m_record.lock);
                m_record.resources.push_back(connection->get_resource());
            }
            if (m_options.refuseStatus == 0)
                return true;
            connection->set_status(
                static_cast<websocketpp::http::status_code::value>(m_options.refuseStatus));
            return false;
        });
        m_server.set_open_handler([this](websocketpp::connection_hdl hdl) {
            {
                std::lock_guard<std::mutex> guard(m_record.lock);
                m_current = hdl;
                ++m_record.opens;
            }
            if (m_options.onOpen)
                m_options.onOpen(m_owner);
        });
        m_server.set_close_handler([this](websocketpp::connection_hdl hdl) {
            std::lock_guard<std::mutex> guard(m_record.lock);
            ++m_record.closes;
            m_record.closeCode = m_server.get_con_from_hdl(hdl)->get_remote_close_code();
        });
        m_server.set_message_handler(
            [this](websocketpp::connection_hdl, typename Server::message_ptr message) {
                {
                    std::lock_guard<std::mutex> guard(m_record.lock);
                    m_record.frames.push_back(message->get_payload());
                }
                if (m_options.script)
                    m_options.script(m_owner, message->get_payload());
            });
        websocketpp::lib::error_code ec;
        m_server.listen(
            boost::asio::ip::tcp::endpoint(boost::asio::ip::address::from_string("127.0.0.1"), 0),
            ec);
        if (ec)
            return;
        m_server.start_accept(ec);
        boost::system::error_code endpointError;
        port = m_server.get_local_endpoint(endpointError).port();
        m_loop = std::thread([this] { m_server.run(); });
    }

    void Send(const std::string& text, bool binary) override {
        websocketpp::lib::error_code ec;
        m_server.send(
            Current(), text,
            binary ? websocketpp::frame::opcode::binary : websocketpp::frame::opcode::text, ec);
    }
    void Close(std::uint16_t code) override {
        websocketpp::lib::error_code ec;
        m_server.close(Current(), code, "", ec);
    }
    void Stop() override {
        m_server.stop();
        if (m_loop.joinable())
            m_loop.join();
    }

private:
    websocketpp::connection_hdl Current() {
        std::lock_guard<std::mutex> guard(m_record.lock);
        return m_current;
    }
    void InstallTls();

    FakeStreamServer& m_owner;
    const FakeStreamServer::Options& m_options;
    Record& m_record;
    Server m_server;
    std::thread m_loop;
    websocketpp::connection_hdl m_current;
};

template <> void TypedServer<PlainServer>::InstallTls() {}

template <> void TypedServer<TlsServer>::InstallTls() {
    const std::string cert = m_options.certFile;
    const std::string key = m_options.keyFile;
    m_server.set_tls_init_handler([cert, key](websocketpp::connection_hdl) {
        auto context = websocketpp::lib::make_shared<SslContext>(SslContext::tls_server);
        context->set_options(SslContext::default_workarounds | SslContext::no_sslv2 |
                             SslContext::no_sslv3);
        context->use_certificate_chain_file(cert);
        context->use_private_key_file(key, SslContext::pem);
        return context;
    });
}

} // namespace

struct FakeStreamServer::Impl {
    Options options;
    Record record;
    std::unique_ptr<ServerBase> server;
};

FakeStreamServer::FakeStreamServer(Options options) : m_impl(std::make_unique<Impl>()) {
    m_impl->options = std::move(options);
    if (m_impl->options.certFile.empty())
        m_impl->server =
            std::make_unique<TypedServer<PlainServer>>(*this, m_impl->options, m_impl->record);
    else
        m_impl->server =
            std::make_unique<TypedServer<TlsServer>>(*this, m_impl->options, m_impl->record);
}

FakeStreamServer::~FakeStreamServer() {
    m_impl->server->Stop();
}

bool FakeStreamServer::Listening() const {
    return m_impl->server->port != 0;
}

std::uint16_t FakeStreamServer::Port() const {
    return m_impl->server->port;
}

std::string FakeStreamServer::Address(const std::string& path) const {
    const bool tls = !m_impl->options.certFile.empty();
    return (tls ? "wss://localhost:" : "ws://127.0.0.1:") + std::to_string(Port()) + path;
}

std::string FakeStreamServer::HostPort() const {
    return "127.0.0.1:" + std::to_string(Port());
}

void FakeStreamServer::Reply(const std::string& text) {
    m_impl->server->Send(text, false);
}

void FakeStreamServer::ReplyBinary(const std::string& bytes) {
    m_impl->server->Send(bytes, true);
}

void FakeStreamServer::CloseConnection(std::uint16_t code) {
    m_impl->server->Close(code);
}

std::vector<std::string> FakeStreamServer::Resources() const {
    std::lock_guard<std::mutex> guard(m_impl->record.lock);
    return m_impl->record.resources;
}

std::vector<std::string> FakeStreamServer::Frames() const {
    std::lock_guard<std::mutex> guard(m_impl->record.lock);
    return m_impl->record.frames;
}

void FakeStreamServer::ClearFrames() {
    std::lock_guard<std::mutex> guard(m_impl->record.lock);
    m_impl->record.frames.clear();
}

int FakeStreamServer::Opens() const {
    std::lock_guard<std::mutex> guard(m_impl->record.lock);
    return m_impl->record.opens;
}

int FakeStreamServer::Closes() const {
    std::lock_guard<std::mutex> guard(m_impl->record.lock);
    return m_impl->record.closes;
}

int FakeStreamServer::CloseCodeFromClient() const {
    std::lock_guard<std::mutex> guard(m_impl->record.lock);
    return m_impl->record.closeCode;
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
