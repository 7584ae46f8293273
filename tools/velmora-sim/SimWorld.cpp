#include "SimWorld.h"

#include "platform/UsbNames.h"
#include "platform/sim/SimHex.h"

#include <json/reader.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using platform::sim::FromHex;
using platform::sim::ToHex;

namespace {

volatile std::sig_atomic_t g_signalled = 0;
void OnSignal(int) {
    g_signalled = 1;
}

bool ParseJson(const std::string& line, Json::Value& out) {
    Json::CharReaderBuilder builder;
    std::string errors;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    return reader->parse(line.data(), line.data() + line.size(), &out, &errors) && out.isObject();
}

bool SocketAnswers(const sockaddr_un& addr) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool answers = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0;
    ::close(fd);
    return answers;
}

bool ParseHexId(const Json::Value& value, int& out) {
    if (value.isInt()) {
        out = value.asInt();
        return out >= 0 && out <= 0xFFFF;
    }
    if (!value.isString())
        return false;
    const std::string text = value.asString();
    if (text.empty() || text.size() > 4)
        return false;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 16);
    if (*end != '\0')
        return false;
    out = static_cast<int>(v);
    return true;
}

} // namespace

bool SimWorld::Listen(const std::string& socketPath, std::string& error) {
    sockaddr_un addr{};
    if (socketPath.empty() || socketPath.size() >= sizeof(addr.sun_path)) {
        error = "socket path empty or too long: " + socketPath;
        return false;
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, socketPath.c_str(), socketPath.size() + 1);
    if (SocketAnswers(addr)) {
        error = "a world already serves " + socketPath;
        return false;
    }
    ::unlink(socketPath.c_str());
    m_listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_listenFd < 0 ||
        ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        ::listen(m_listenFd, 64) != 0) {
        error = "cannot listen on " + socketPath + ": " + std::strerror(errno);
        return false;
    }
    m_socketPath = socketPath;
    RegisterHandlers();
    return true;
}

void SimWorld::RegisterHandlers() {
    auto bind = [this](void (SimWorld::*method)(SimConnection&, const Json::Value&)) {
        return [this, method](SimConnection& c, const Json::Value& r) { (this->*method)(c, r); };
    };
    m_handlers = {
        {"emit", bind(&SimWorld::OnEmit)},
        {"hid_enumerate", bind(&SimWorld::OnHidEnumerate)},
        {"usb_devices", bind(&SimWorld::OnUsbDevices)},
        {"bluetooth_devices", bind(&SimWorld::OnBluetoothDevices)},
        {"hid_open", bind(&SimWorld::OnHidOpen)},
        {"hid_output", bind(&SimWorld::OnHidOutput)},
        {"watch", bind(&SimWorld::OnWatch)},
        {"plug", bind(&SimWorld::OnPlug)},
        {"unplug", bind(&SimWorld::OnUnplug)},
        {"hidraw", bind(&SimWorld::OnHidraw)},
        {"report", bind(&SimWorld::OnReport)},
        {"key", bind(&SimWorld::OnKey)},
        {"events", bind(&SimWorld::OnEvents)},
        {"subscribe", bind(&SimWorld::OnSubscribe)},
        {"stop", bind(&SimWorld::OnStop)},
    };
    RegisterDesktopHandlers();
    RegisterUiHandlers();
}

void SimWorld::Run() {
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);
    m_running = true;
    while (m_running && !g_signalled) {
        std::vector<pollfd> fds;
        fds.push_back({m_listenFd, POLLIN, 0});
        for (const auto& c : m_connections)
            fds.push_back(
                {c->Fd(), static_cast<short>(POLLIN | (c->HasPendingOutput() ? POLLOUT : 0)), 0});
        if (::poll(fds.data(), fds.size(), PollTimeoutMs(500)) < 0 && errno != EINTR)
            break;
        if (fds[0].revents & POLLIN)
            Accept();
        // Serve in a copy of the order: handlers may close other connections (unplug).
        std::vector<SimConnection*> ready;
        for (size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents)
                ready.push_back(m_connections[i - 1].get());
        }
        for (SimConnection* c : ready) {
            auto alive = std::find_if(m_connections.begin(), m_connections.end(),
                                      [c](const auto& p) { return p.get() == c; });
            if (alive != m_connections.end())
                Serve(*c);
        }
        m_connections.erase(
            std::remove_if(m_connections.begin(), m_connections.end(),
                           [](const auto& c) { return c->Fd() < 0 || c->WantsClose(); }),
            m_connections.end());
        PumpMicrophone();
    }
    CloseConnections();
    ::close(m_listenFd);
    ::unlink(m_socketPath.c_str());
}

void SimWorld::Accept() {
    for (;;) {
        int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        m_connections.push_back(std::make_unique<SimConnection>(fd));
    }
}

void SimWorld::Serve(SimConnection& connection) {
    bool open = connection.ReceiveAvailable();
    std::string line;
    while (m_running && connection.NextLine(line))
        Dispatch(connection, line);
    if (!connection.Flush())
        open = false;
    if (!open) {
        // Peer gone: drop it now (an unplugged handle or a finished tool).
        OnConnectionLost(connection);
        auto it = std::find_if(m_connections.begin(), m_connections.end(),
                               [&](const auto& p) { return p.get() == &connection; });
        if (it != m_connections.end())
            m_connections.erase(it);
    }
}

void SimWorld::Dispatch(SimConnection& connection, const std::string& line) {
    Json::Value request;
    if (!ParseJson(line, request)) {
        Reply(connection, false, "not a JSON object");
        return;
    }
    auto handler = m_handlers.find(request.get("op", "").asString());
    if (handler == m_handlers.end()) {
        Reply(connection, false, "unknown op: " + request.get("op", "").asString());
        return;
    }
    handler->second(connection, request);
}

void SimWorld::CloseConnections() {
    for (auto& c : m_connections)
        c->Flush();
    m_connections.clear();
}

void SimWorld::Reply(SimConnection& connection, bool ok, const std::string& error) {
    Json::Value reply;
    reply["ok"] = ok;
    if (!ok)
        reply["error"] = error;
    connection.SendJson(reply);
}

void SimWorld::Record(Json::Value event) {
    const Json::Value& stored = m_events.Append(std::move(event));
    for (auto& c : m_connections) {
        if (c->GetRole() == SimConnection::Role::Subscriber)
            c->SendJson(stored);
    }
}

SimDevice* SimWorld::FindDevice(int id) {
    for (auto& d : m_devices) {
        if (d->Id() == id)
            return d.get();
    }
    return nullptr;
}

SimDevice* SimWorld::NewestOfKind(const std::string& kind) {
    for (auto it = m_devices.rbegin(); it != m_devices.rend(); ++it) {
        if (kind == (*it)->Kind().name)
            return it->get();
    }
    return nullptr;
}

void SimWorld::Deliver(SimDevice& device, std::vector<uint8_t> report) {
    Json::Value push;
    push["report"] = ToHex(report);
    bool delivered = false;
    for (auto& c : m_connections) {
        if (c->GetRole() == SimConnection::Role::HidHandle && c->DeviceId() == device.Id()) {
            c->SendJson(push);
            delivered = true;
        }
    }
    if (!delivered)
        device.Queue(std::move(report));
}

void SimWorld::NotifyWatchers(const char* change, const SimDevice& device) {
    if (device.OnBluetooth())
        return; // hot-plug watches USB only
    Json::Value push;
    push["change"] = change;
    push["name"] = platform::UsbInterfaceName(device.Vid(), device.Pid(), device.Serial());
    for (auto& c : m_connections) {
        if (c->GetRole() == SimConnection::Role::Watcher)
            c->SendJson(push);
    }
}

// --- requests of the program -------------------------------------------------------------

void SimWorld::OnEmit(SimConnection&, const Json::Value& request) {
    const Json::Value& event = request["event"];
    if (event.isObject() && event["kind"].isString())
        Record(event);
}

void SimWorld::OnHidEnumerate(SimConnection& connection, const Json::Value& request) {
    const int vid = request.get("vid", 0).asInt();
    const int pid = request.get("pid", 0).asInt();
    Json::Value reply;
    reply["ok"] = true;
    reply["devices"] = Json::arrayValue;
    for (const auto& d : m_devices) {
        if (!d->HasHid() || (vid && d->Vid() != vid) || (pid && d->Pid() != pid))
            continue;
        Json::Value item;
        item["path"] = d->HidPath();
        item["vid"] = d->Vid();
        item["pid"] = d->Pid();
        item["release"] = 0x0100;
        item["interface"] = 0;
        item["usage_page"] = d->Kind().usagePage;
        item["usage"] = 0;
        item["serial"] = d->Serial();
        reply["devices"].append(item);
    }
    connection.SendJson(reply);
}

void SimWorld::OnUsbDevices(SimConnection& connection, const Json::Value&) {
    Json::Value reply;
    reply["ok"] = true;
    reply["ids"] = Json::arrayValue;
    for (const auto& d : m_devices) {
        if (!d->OnBluetooth())
            reply["ids"].append(platform::UsbInstanceId(d->Vid(), d->Pid(), d->Serial()));
    }
    connection.SendJson(reply);
}

void SimWorld::OnBluetoothDevices(SimConnection& connection, const Json::Value&) {
    Json::Value reply;
    reply["ok"] = true;
    reply["devices"] = Json::arrayValue;
    for (const auto& d : m_devices) {
        if (!d->OnBluetooth())
            continue;
        Json::Value item;
        item["hid_id"] = d->HidId();
        item["uniq"] = d->Serial();
        reply["devices"].append(item);
    }
    connection.SendJson(reply);
}

void SimWorld::OnHidOpen(SimConnection& connection, const Json::Value& request) {
    const std::string path = request.get("path", "").asString();
    SimDevice* device = nullptr;
    for (auto& d : m_devices) {
        if (d->HasHid() && d->HidPath() == path)
            device = d.get();
    }
    if (!device) {
        Reply(connection, false, "no such device: " + path);
        return;
    }
    connection.SetRole(SimConnection::Role::HidHandle);
    connection.SetDeviceId(device->Id());
    Reply(connection, true);
    for (auto& report : device->TakeQueued())
        Deliver(*device, std::move(report));
}

void SimWorld::OnHidOutput(SimConnection& connection, const Json::Value& request) {
    SimDevice* device = connection.GetRole() == SimConnection::Role::HidHandle
                            ? FindDevice(connection.DeviceId())
                            : nullptr;
    auto bytes = FromHex(request.get("bytes", "").asString());
    if (!device || !bytes || bytes->empty()) {
        Reply(connection, false, device ? "bad report bytes" : "not an open device");
        return;
    }
    bytes->resize(std::max(bytes->size(), SimDevice::kReportSize), 0);
    Json::Value event;
    event["kind"] = "hid_output";
    event["device"] = device->Kind().name;
    event["bytes"] = ToHex(*bytes);
    Record(event);
    Reply(connection, true);
}

void SimWorld::OnWatch(SimConnection& connection, const Json::Value&) {
    connection.SetRole(SimConnection::Role::Watcher);
    Reply(connection, true);
}

// --- requests of the tools ---------------------------------------------------------------

void SimWorld::OnPlug(SimConnection& connection, const Json::Value& request) {
    const SimDeviceKind* kind = SimDeviceKind::Find(request.get("device", "").asString());
    if (!kind) {
        Reply(connection, false, "unknown device kind; one of " + SimDeviceKind::Names());
        return;
    }
    int vid = kind->vid;
    int pid = kind->pid;
    if ((request.isMember("vid") && !ParseHexId(request["vid"], vid)) ||
        (request.isMember("pid") && !ParseHexId(request["pid"], pid))) {
        Reply(connection, false, "vid and pid are up to four hexadecimal digits");
        return;
    }
    const int id = m_nextDeviceId++;
    std::string serial = request.get("serial", "").asString();
    if (serial.empty())
        serial = "SIM" + std::to_string(id);
    auto device = std::make_unique<SimDevice>(id, *kind, vid, pid, serial);
    if (request["model"].isInt())
        device->SetModelByte(static_cast<uint8_t>(request["model"].asInt()));
    if (request["dpi"].isInt())
        device->SetDpiCode(static_cast<uint8_t>(request["dpi"].asInt()));
    // On Linux the USB device is announced before its hidraw node exists.
    if (request.get("hid_later", false).asBool())
        device->SetHidNodeReady(false);
    m_devices.push_back(std::move(device));
    const SimDevice& plugged = *m_devices.back();
    Json::Value event;
    event["kind"] = "device";
    event["action"] = "plug";
    event["device"] = kind->name;
    event["id"] = platform::UsbInstanceId(vid, pid, plugged.Serial());
    Record(event);
    NotifyWatchers("arrival", plugged);
    Reply(connection, true);
}

void SimWorld::OnUnplug(SimConnection& connection, const Json::Value& request) {
    const std::string kind = request.get("device", "").asString();
    SimDevice* device = NewestOfKind(kind);
    if (!device) {
        Reply(connection, false, "no " + kind + " is plugged in");
        return;
    }
    const int id = device->Id();
    // Open handles go away with the device, so the program's reads fail as on hardware.
    m_connections.erase(std::remove_if(m_connections.begin(), m_connections.end(),
                                       [id](const auto& c) {
                                           return c->GetRole() == SimConnection::Role::HidHandle &&
                                                  c->DeviceId() == id;
                                       }),
                        m_connections.end());
    Json::Value event;
    event["kind"] = "device";
    event["action"] = "unplug";
    event["device"] = kind;
    event["id"] = platform::UsbInstanceId(device->Vid(), device->Pid(), device->Serial());
    NotifyWatchers("removal", *device);
    m_devices.erase(std::find_if(m_devices.begin(), m_devices.end(),
                                 [id](const auto& d) { return d->Id() == id; }));
    Record(event);
    Reply(connection, true);
}

void SimWorld::OnHidraw(SimConnection& connection, const Json::Value& request) {
    const std::string kind = request.get("device", "").asString();
    SimDevice* device = NewestOfKind(kind);
    if (!device || device->HidNodeReady()) {
        Reply(connection, false, "no " + kind + " waiting for its hidraw node is plugged in");
        return;
    }
    device->SetHidNodeReady(true);
    Json::Value event;
    event["kind"] = "device";
    event["action"] = "hidraw";
    event["device"] = kind;
    event["id"] = platform::UsbInstanceId(device->Vid(), device->Pid(), device->Serial());
    Record(event);
    Reply(connection, true);
}

void SimWorld::OnReport(SimConnection& connection, const Json::Value& request) {
    SimDevice* device = NewestOfKind(request.get("device", "").asString());
    if (!device || !device->HasHid()) {
        Reply(connection, false, "no device of that kind with a HID collection is plugged in");
        return;
    }
    auto bytes = FromHex(request.get("bytes", "").asString());
    auto report = bytes ? SimDevice::Padded(std::move(*bytes)) : std::nullopt;
    if (!report) {
        Reply(connection, false, "a report is 1 to 32 bytes of hexadecimal text");
        return;
    }
    Deliver(*device, std::move(*report));
    Reply(connection, true);
}

void SimWorld::OnKey(SimConnection& connection, const Json::Value& request) {
    SimDevice* device = NewestOfKind(request.get("device", "").asString());
    if (!device || !device->HasHid()) {
        Reply(connection, false, "no device of that kind with keys is plugged in");
        return;
    }
    const std::string state = request.get("state", "").asString();
    auto code = KeyCode(request.get("name", "").asString(), state == "down");
    if (!code || (state != "down" && state != "up")) {
        Reply(connection, false,
              "key NAME down|up with NAME one of voice1 voice2 voice3 record laser laser2 "
              "magnifier up down");
        return;
    }
    Deliver(*device, device->KeyReport(*code));
    Reply(connection, true);
}

void SimWorld::OnEvents(SimConnection& connection, const Json::Value& request) {
    Json::Value reply;
    reply["ok"] = true;
    reply["events"] = Json::arrayValue;
    for (const Json::Value& event : m_events.Since(request.get("since", 0).asInt64()))
        reply["events"].append(event);
    connection.SendJson(reply);
}

void SimWorld::OnSubscribe(SimConnection& connection, const Json::Value& request) {
    const int64_t since =
        request["since"].isIntegral() ? request["since"].asInt64() : m_events.LastSeq();
    Json::Value reply;
    reply["ok"] = true;
    reply["seq"] = static_cast<Json::Int64>(m_events.LastSeq());
    connection.SendJson(reply);
    for (const Json::Value& event : m_events.Since(since))
        connection.SendJson(event);
    connection.SetRole(SimConnection::Role::Subscriber);
}

void SimWorld::OnStop(SimConnection& connection, const Json::Value&) {
    Reply(connection, true);
    m_running = false;
}
