#include "speech/CWebSocketPath.h"

#include "platform/DebugChannel.h"

#include <boost/asio/ssl/host_name_verification.hpp>
#include <websocketpp/client.hpp>
#include <websocketpp/config/asio_client.hpp>
#include <websocketpp/uri.hpp>

#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

using SslContext = boost::asio::ssl::context;
using SslContextPtr = websocketpp::lib::shared_ptr<SslContext>;

void Debug(const std::string& text) {
    platform::OutputDebug(QString::fromStdString(text));
}

SslContextPtr MakeClientTlsContext(const std::string& host, const std::string& caFile) {
    auto context = websocketpp::lib::make_shared<SslContext>(SslContext::tls_client);
    try {
        context->set_options(SslContext::default_workarounds | SslContext::no_sslv2 |
                             SslContext::no_sslv3 | SslContext::single_dh_use);
    } catch (const std::exception& error) {
        Debug(std::string(error.what()) + "\n");
    }
    boost::system::error_code ec;
    context->set_default_verify_paths(ec);
    if (ec)
        Debug("system CA store not loaded: " + ec.message() + "\n");
    if (!caFile.empty()) {
        context->load_verify_file(caFile, ec);
        if (ec)
            Debug("extra CA file not loaded: " + ec.message() + "\n");
    }
    context->set_verify_mode(boost::asio::ssl::verify_peer, ec);
    context->set_verify_callback(boost::asio::ssl::host_name_verification(host), ec);
    return context;
}

class PathBase : public CWebSocketPath {
public:
    PathBase(std::string caFile, Handlers handlers)
        : m_caFile(std::move(caFile)), m_handlers(std::move(handlers)) {}

    bool IsConnected() const override { return m_connected.load(); }
    bool IsBusy() const override { return m_threads.load() > 0; }

protected:
    // Reading the system CA store takes tens of milliseconds, a large part of a session's
    // start, so the context made for a host serves every later connection to that host. It
    // is only read once made, so connect threads may share it.
    SslContextPtr TlsContextFor(const std::string& host) {
        std::lock_guard<std::mutex> guard(m_tlsLock);
        if (!m_tlsContext || m_tlsHost != host) {
            m_tlsContext = MakeClientTlsContext(host, m_caFile);
            m_tlsHost = host;
        }
        return m_tlsContext;
    }

    void Call(const std::function<void()>& handler) {
        if (handler)
            handler();
    }

    const std::string m_caFile;
    const Handlers m_handlers;
    std::atomic<bool> m_connected{false};
    // From Connect until the attempt has opened or failed. A closed connection's thread may
    // still be tearing down TLS for seconds; that must not hold up the next connection.
    std::atomic<bool> m_connecting{false};
    std::atomic<int> m_threads{0};

private:
    std::mutex m_tlsLock; // the kept context and its host
    std::string m_tlsHost;
    SslContextPtr m_tlsContext;
};

template <typename Config>
class WebSocketPath : public PathBase, public std::enable_shared_from_this<WebSocketPath<Config>> {
public:
    using Client = websocketpp::client<Config>;
    using ConnectionPtr = typename Client::connection_ptr;
    using MessagePtr = typename Client::message_ptr;

    using PathBase::PathBase;

    bool Connect(const std::string& address) override {
        bool idle = false;
        if (m_connected.load() || !m_connecting.compare_exchange_strong(idle, true))
            return false;
        auto self = this->shared_from_this();
        ++m_threads;
        try {
            std::thread([self, address] { self->RunConnectThread(address); }).detach();
        } catch (const std::system_error& error) {
            --m_threads;
            m_connecting = false;
            Debug(std::string("connect thread not started: ") + error.what() + "\n");
            return false;
        }
        return true;
    }

    bool Send(const std::string& text) override {
        std::lock_guard<std::mutex> guard(m_slotLock);
        if (!m_slot)
            return false;
        try {
            const websocketpp::lib::error_code ec =
                m_slot->send(text, websocketpp::frame::opcode::text);
            if (ec) {
                Debug("send: " + ec.message() + "\n");
                return false;
            }
        } catch (const websocketpp::exception& error) {
            Debug(std::string("send: ") + error.what() + "\n");
            return false;
        }
        return true;
    }

    bool Close() override {
        std::lock_guard<std::mutex> guard(m_slotLock);
        if (!m_slot)
            return false;
        try {
            websocketpp::lib::error_code ec;
            m_slot->close(websocketpp::close::status::normal, std::string(), ec);
            if (ec) {
                Debug("close: " + ec.message() + "\n");
                return false;
            }
        } catch (const websocketpp::exception& error) {
            Debug(std::string("close: ") + error.what() + "\n");
            return false;
        }
        return true;
    }

private:
    void SetConnection(ConnectionPtr connection) {
        std::lock_guard<std::mutex> guard(m_slotLock);
        m_slot = std::move(connection);
    }

    // The connection posts its work to the client's event loop and is torn down with it, so
    // no other thread may touch it, or hold the last reference to it, once the client goes.
    // Send and Close use the connection only under the slot lock, and the slot is emptied
    // under that lock before the client is destroyed.
    struct ForgetConnectionFirst {
        WebSocketPath& path;
        ~ForgetConnectionFirst() { path.SetConnection(nullptr); }
    };

    // What one connect thread has seen of its own connection.
    struct Attempt {
        bool settled = false; // opened or failed
        bool open = false;    // opened and not yet closed
        bool opened = false;  // opened at some point
        int httpStatus = 0;   // the server's reply to a refused upgrade
    };

    void RunConnectThread(const std::string& address) {
        Attempt attempt;
        try {
            RunEventLoop(address, attempt);
        } catch (const websocketpp::exception& error) {
            Debug(std::string(error.what()) + "\n");
        } catch (const std::exception& error) {
            Debug(std::string(error.what()) + "\n");
        }
        if (!attempt.settled)
            m_connecting = false;
        if (attempt.open) // left without its close handler
            m_connected = false;
        --m_threads;
        if (!attempt.opened && m_handlers.onFailed)
            m_handlers.onFailed(attempt.httpStatus);
        Call(m_handlers.onEnded);
    }

    void RunEventLoop(const std::string& address, Attempt& attempt) {
        Client client;
        const ForgetConnectionFirst forget{*this}; // destroyed before the client
        // The access log would print the request line, which holds the signed query.
        client.clear_access_channels(websocketpp::log::alevel::all);
        client.set_error_channels(websocketpp::log::elevel::all);
        client.init_asio();
        // Each frame leaves as two writes (header, payload; two records over TLS). With
        // Nagle's algorithm the second waits for the first one's acknowledgement, which the
        // peer delays by up to 40 ms: every audio block would reach the vendor that late.
        client.set_tcp_pre_init_handler([&client](websocketpp::connection_hdl hdl) {
            websocketpp::lib::error_code ec;
            const ConnectionPtr connection = client.get_con_from_hdl(hdl, ec);
            if (!connection)
                return;
            boost::system::error_code optionError;
            connection->get_raw_socket().set_option(boost::asio::ip::tcp::no_delay(true),
                                                    optionError);
            if (optionError)
                Debug("TCP_NODELAY not set: " + optionError.message() + "\n");
        });
        InstallTlsInit(client, address);
        client.set_message_handler([this](websocketpp::connection_hdl, MessagePtr message) {
            // Every vendor answers in JSON text; a binary frame is nothing the engines read.
            if (message->get_opcode() != websocketpp::frame::opcode::text) {
                Debug("binary message dropped\n");
                return;
            }
            if (m_handlers.onMessage)
                m_handlers.onMessage(message->get_payload());
        });
        client.set_open_handler([this, &client, &attempt](websocketpp::connection_hdl hdl) {
            HandleOpen(client, hdl, attempt);
        });
        client.set_close_handler([this, &attempt](websocketpp::connection_hdl) {
            attempt.open = false;
            HandleClose();
        });
        client.set_fail_handler([this, &client, &attempt](websocketpp::connection_hdl hdl) {
            attempt.settled = true;
            m_connecting = false;
            websocketpp::lib::error_code ec;
            const ConnectionPtr connection = client.get_con_from_hdl(hdl, ec);
            if (connection)
                attempt.httpStatus = static_cast<int>(connection->get_response_code());
            Debug("connection failed: " +
                  (connection ? connection->get_ec().message() : ec.message()) + "\n");
        });

        websocketpp::lib::error_code ec;
        const ConnectionPtr connection = client.get_connection(address, ec);
        if (ec) {
            Debug(ec.message() + "\n");
            return;
        }
        client.connect(connection);
        client.run();
    }

    void InstallTlsInit(Client& client, const std::string& address);

    void HandleOpen(Client& client, websocketpp::connection_hdl hdl, Attempt& attempt) {
        attempt.settled = true;
        websocketpp::lib::error_code ec;
        ConnectionPtr connection = client.get_con_from_hdl(hdl, ec);
        if (ec || !connection || connection->get_ec()) {
            m_connecting = false;
            return;
        }
        SetConnection(connection);
        attempt.open = true;
        attempt.opened = true;
        platform::OutputDebug(QString::fromUtf8("******************连接成功******************\n"));
        m_connected = true;
        m_connecting = false;
        Call(m_handlers.onOpen);
    }

    void HandleClose() {
        platform::OutputDebug(
            QString::fromUtf8("******************断开连接*********************\n"));
        m_connected = false;
        SetConnection(nullptr);
        Call(m_handlers.onClose);
    }

    std::mutex m_slotLock; // held while Send or Close use the connection
    ConnectionPtr m_slot;
};

template <>
void WebSocketPath<websocketpp::config::asio_client>::InstallTlsInit(Client&, const std::string&) {}

template <>
void WebSocketPath<websocketpp::config::asio_tls_client>::InstallTlsInit(
    Client& client, const std::string& address) {
    std::string host;
    try {
        host = websocketpp::uri(address).get_host();
    } catch (const std::exception&) {
        // An unparsable address fails in get_connection; the handler is then never called.
    }
    // The connect thread holds this path for as long as its client lives.
    client.set_tls_init_handler(
        [this, host](websocketpp::connection_hdl) { return TlsContextFor(host); });
}

} // namespace

std::shared_ptr<CWebSocketPath> CWebSocketPath::Create(Transport transport, std::string caFile,
                                                       Handlers handlers) {
    if (transport == Transport::Tls)
        return std::make_shared<WebSocketPath<websocketpp::config::asio_tls_client>>(
            std::move(caFile), std::move(handlers));
    return std::make_shared<WebSocketPath<websocketpp::config::asio_client>>(std::move(caFile),
                                                                             std::move(handlers));
}
