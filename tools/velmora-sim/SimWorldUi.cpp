// The program's windows as the tools see them: a tool's request is passed to the program's
// window driver (the connection that asked for "ui") and answered with the program's reply.
// Message boxes and pickers are never shown: the program asks the world for their answers.
#include "SimWorld.h"

#include <algorithm>
#include <set>

namespace {

const std::set<std::string> kBoxAnswers = {"ok", "cancel", "yes", "no"};
const std::set<std::string> kDialogTypes = {"file", "folder", "colour"};

bool FitsButtons(const std::string& answer, const std::string& buttons) {
    if (buttons == "okcancel")
        return answer == "ok" || answer == "cancel";
    if (buttons == "yesno")
        return answer == "yes" || answer == "no";
    return answer == "ok";
}

std::string DefaultAnswer(const std::string& buttons) {
    if (buttons == "okcancel")
        return "cancel";
    if (buttons == "yesno")
        return "no";
    return "ok";
}

// What the program needs of a tool's window request; an empty text when it is well formed.
std::string CheckWindowInput(const std::string& action, const Json::Value& request) {
    if (action == "tray") {
        const std::string button = request.get("button", "").asString();
        return button == "left" || button == "right" ? "" : "tray takes left or right";
    }
    if (!request["window"].isString() || request["window"].asString().empty() ||
        !request["control"].isString() || request["control"].asString().empty())
        return action + " takes a window and a control name";
    if (request.isMember("tag") && !request["tag"].isInt64())
        return "--tag takes a whole number";
    if (action == "type" && !request["text"].isString())
        return "type takes the new text";
    if (action == "choose" && !request["item"].isString() &&
        !(request["index"].isInt() && request["index"].asInt() >= 0))
        return "choose takes an item name or --index N";
    if (action == "slide" && !request["value"].isInt())
        return "slide takes a whole number";
    return "";
}

} // namespace

void SimWorld::RegisterUiHandlers() {
    auto bind = [this](void (SimWorld::*method)(SimConnection&, const Json::Value&)) {
        return [this, method](SimConnection& c, const Json::Value& r) { (this->*method)(c, r); };
    };
    m_handlers.insert({
        {"ui", bind(&SimWorld::OnUi)},
        {"ui_reply", bind(&SimWorld::OnUiReply)},
        {"grab", bind(&SimWorld::OnGrab)},
        {"click", bind(&SimWorld::OnWindowInput)},
        {"type", bind(&SimWorld::OnWindowInput)},
        {"choose", bind(&SimWorld::OnWindowInput)},
        {"slide", bind(&SimWorld::OnWindowInput)},
        {"query", bind(&SimWorld::OnWindowInput)},
        {"tray", bind(&SimWorld::OnWindowInput)},
        {"answer", bind(&SimWorld::OnAnswer)},
        {"file", bind(&SimWorld::OnQueueDialogAnswer)},
        {"folder", bind(&SimWorld::OnQueueDialogAnswer)},
        {"msgbox", bind(&SimWorld::OnMsgbox)},
        {"dialog", bind(&SimWorld::OnDialog)},
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
    if (!IsConnected(tool))
        return;
    Json::Value reply;
    reply["ok"] = request.get("ok", false).asBool();
    if (!reply["ok"].asBool())
        reply["error"] = request.get("error", "refused by the program").asString();
    if (request.isMember("result"))
        reply["result"] = request["result"];
    tool->SendJson(reply);
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

void SimWorld::OnWindowInput(SimConnection& connection, const Json::Value& request) {
    const std::string action = request.get("op", "").asString();
    const std::string error = CheckWindowInput(action, request);
    if (!error.empty()) {
        Reply(connection, false, error);
        return;
    }
    Json::Value ui;
    ui["action"] = action;
    if (action == "tray") {
        ui["text"] = request["button"];
    } else {
        ui["window"] = request["window"];
        ui["control"] = request["control"];
        for (const char* field : {"tag", "index", "value"}) {
            if (request.isMember(field))
                ui[field] = request[field];
        }
        if (request.isMember("text"))
            ui["text"] = request["text"];
        else if (request.isMember("item"))
            ui["text"] = request["item"];
    }
    ForwardToProgram(connection, std::move(ui));
}

void SimWorld::OnAnswer(SimConnection& connection, const Json::Value& request) {
    const std::string answer = request.get("answer", "").asString();
    if (kBoxAnswers.count(answer) == 0) {
        Reply(connection, false, "answer takes ok, cancel, yes or no");
        return;
    }
    m_boxAnswers.push_back(answer);
    Reply(connection, true);
}

void SimWorld::OnQueueDialogAnswer(SimConnection& connection, const Json::Value& request) {
    const std::string type = request.get("op", "").asString();
    const bool cancel = request.get("cancel", false).asBool();
    const std::string path = request.get("path", "").asString();
    if (!cancel && (path.empty() || path[0] != '/')) {
        Reply(connection, false, type + " takes an absolute path or --cancel");
        return;
    }
    m_dialogAnswers[type].push_back(cancel ? std::string() : path);
    Reply(connection, true);
}

void SimWorld::OnMsgbox(SimConnection& connection, const Json::Value& request) {
    const std::string buttons = request.get("buttons", "ok").asString();
    std::string answer = DefaultAnswer(buttons);
    // A queued answer is spent on the next box even when that box has no such button: the box
    // then gets its default, and the event shows which.
    if (!m_boxAnswers.empty()) {
        if (FitsButtons(m_boxAnswers.front(), buttons))
            answer = m_boxAnswers.front();
        m_boxAnswers.pop_front();
    }
    Json::Value reply;
    reply["ok"] = true;
    reply["answer"] = answer;
    connection.SendJson(reply);
    Json::Value event;
    event["kind"] = "msgbox";
    event["text"] = request.get("text", "").asString();
    event["caption"] = request.get("caption", "").asString();
    event["buttons"] = buttons;
    event["icon"] = request.get("icon", "none").asString();
    event["answer"] = answer;
    Record(event);
}

void SimWorld::OnDialog(SimConnection& connection, const Json::Value& request) {
    const std::string type = request.get("type", "").asString();
    if (kDialogTypes.count(type) == 0) {
        Reply(connection, false, "no such dialog type: " + type);
        return;
    }
    std::string path;
    std::deque<std::string>& queued = m_dialogAnswers[type];
    if (!queued.empty()) {
        path = queued.front();
        queued.pop_front();
    }
    Json::Value reply;
    reply["ok"] = true;
    reply["path"] = path;
    connection.SendJson(reply);
    Json::Value event;
    event["kind"] = "dialog";
    event["type"] = type;
    event["title"] = request.get("title", "").asString();
    event["dir"] = request.get("dir", "").asString();
    if (request["filters"].isArray() && !request["filters"].empty())
        event["filters"] = request["filters"];
    event["answer"] = path.empty() ? std::string("cancel") : path;
    Record(event);
}
