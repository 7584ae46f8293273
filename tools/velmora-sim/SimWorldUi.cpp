// The program's windows as the tools see them: a tool's request is passed to the program's
// window driver (the connection that asked for "ui") and answered with the program's reply.
#include "SimWorld.h"

#include <algorithm>

void SimWorld::RegisterUiHandlers() {
    auto bind = [this](void (SimWorld::*method)(SimConnection&, const Json::Value&)) {
        return [this, method](SimConnection& c, const Json::Value& r) { (this->*method)(c, r); };
    };
    m_handlers.insert({
        {"ui", bind(&SimWorld::OnUi)},
        {"ui_reply", bind(&SimWorld::OnUiReply)},
        {"grab", bind(&SimWorld::OnGrab)},
    });
}

bool SimWorld::IsConnected(const SimConnection* connection) const {
    return std::any_of(m_connections.begin(), m_connections.end(),
                       [connection](const auto& c) { return c.get() == connection; });
}

void SimWorld::OnUi(SimConnection& connection, const Json::Value&) {
    connection.SetRole(SimConnection::Role::Ui);
    Reply(connection, true);
}

void SimWorld::OnUiReply(SimConnection&, const Json::Value& request) {
    auto waiting = m_waitingTools.find(request.get("id", 0).asInt64());
    if (waiting == m_waitingTools.end())
        return;
    SimConnection* tool = waiting->second;
    m_waitingTools.erase(waiting);
    if (IsConnected(tool))
        Reply(*tool, request.get("ok", false).asBool(),
              request.get("error", "refused by the program").asString());
}

void SimWorld::ForwardToProgram(SimConnection& tool, Json::Value ui) {
    // The most recent driver: a restarted program replaces the one before it.
    SimConnection* program = nullptr;
    for (const auto& c : m_connections) {
        if (c->GetRole() == SimConnection::Role::Ui)
            program = c.get();
    }
    if (!program) {
        Reply(tool, false, "no program is attached");
        return;
    }
    const int64_t id = m_nextUiRequest++;
    m_waitingTools[id] = &tool;
    Json::Value push;
    push["id"] = static_cast<Json::Int64>(id);
    push["ui"] = std::move(ui);
    program->SendJson(push);
}

void SimWorld::OnGrab(SimConnection& connection, const Json::Value& request) {
    const std::string window = request.get("window", "").asString();
    const std::string file = request.get("file", "").asString();
    if (window.empty() || file.empty() || file[0] != '/') {
        Reply(connection, false, "grab takes a window name and an absolute file path");
        return;
    }
    Json::Value ui;
    ui["action"] = "grab";
    ui["window"] = window;
    ui["file"] = file;
    ForwardToProgram(connection, std::move(ui));
}
