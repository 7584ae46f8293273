#pragma once

#include "EventLog.h"
#include "SimConnection.h"
#include "SimDesktop.h"
#include "SimDevice.h"
#include "SimMicrophone.h"

#include <json/value.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The simulated hardware world behind one Unix socket: plugged devices, the event log, and
// the connections of the program and of the command-line tools. Single-threaded: one poll
// loop serves every connection. Each request "op" has one handler; adding a command or a
// device kind is a new handler or a new row in SimDevice.cpp.
class SimWorld {
public:
    // Listens on socketPath (a stale socket file is replaced); false with a message on failure.
    bool Listen(const std::string& socketPath, std::string& error);
    // Serves until a "stop" request or SIGINT/SIGTERM.
    void Run();

private:
    using Handler = std::function<void(SimConnection&, const Json::Value&)>;
    using ConnectionList = std::vector<std::unique_ptr<SimConnection>>;

    void RegisterHandlers();
    // The microphone, capture sources, input, clipboard and screen (SimWorldDesktop.cpp).
    void RegisterDesktopHandlers();
    // Requests on the program's windows, passed on to its window driver (SimWorldUi.cpp).
    void RegisterUiHandlers();
    void Accept();
    void Serve(SimConnection& connection);
    void Dispatch(SimConnection& connection, const std::string& line);
    void CloseConnections();

    static void Reply(SimConnection& connection, bool ok, const std::string& error = "");
    void Record(Json::Value event);

    // Device side, asked by the program.
    void OnEmit(SimConnection&, const Json::Value& request);
    void OnHidEnumerate(SimConnection&, const Json::Value& request);
    void OnUsbDevices(SimConnection&, const Json::Value& request);
    void OnBluetoothDevices(SimConnection&, const Json::Value& request);
    void OnHidOpen(SimConnection&, const Json::Value& request);
    void OnHidOutput(SimConnection&, const Json::Value& request);
    void OnWatch(SimConnection&, const Json::Value& request);
    // Tool side.
    void OnPlug(SimConnection&, const Json::Value& request);
    void OnUnplug(SimConnection&, const Json::Value& request);
    void OnHidraw(SimConnection&, const Json::Value& request);
    void OnReport(SimConnection&, const Json::Value& request);
    void OnKey(SimConnection&, const Json::Value& request);
    void OnEvents(SimConnection&, const Json::Value& request);
    void OnSubscribe(SimConnection&, const Json::Value& request);
    void OnStop(SimConnection&, const Json::Value& request);

    // Desktop side, asked by the program.
    void OnCaptureOpen(SimConnection&, const Json::Value& request);
    void OnCaptureStart(SimConnection&, const Json::Value& request);
    void OnCaptureStop(SimConnection&, const Json::Value& request);
    void OnAudioSources(SimConnection&, const Json::Value& request);
    void OnAudioDefault(SimConnection&, const Json::Value& request);
    void OnInputKeys(SimConnection&, const Json::Value& request);
    void OnInputChar(SimConnection&, const Json::Value& request);
    void OnInputFocus(SimConnection&, const Json::Value& request);
    void OnClipboardSet(SimConnection&, const Json::Value& request);
    void OnScreen(SimConnection&, const Json::Value& request);
    // Desktop side, set by the tools.
    void OnMic(SimConnection&, const Json::Value& request);
    void OnCaret(SimConnection&, const Json::Value& request);
    void OnCursor(SimConnection&, const Json::Value& request);
    void OnScreenImage(SimConnection&, const Json::Value& request);
    void OnScreenGrab(SimConnection&, const Json::Value& request);
    void OnFocus(SimConnection&, const Json::Value& request);
    // The desktop's highlighted text (PRIMARY): the tools set it, the program watches it.
    void OnHighlight(SimConnection&, const Json::Value& request);
    void OnHighlightWatch(SimConnection&, const Json::Value& request);
    // The desktop's file index and network: set by the tools, asked by the program.
    void OnIndex(SimConnection&, const Json::Value& request);
    void OnFileSearch(SimConnection&, const Json::Value& request);
    void OnNetwork(SimConnection&, const Json::Value& request);
    void OnNetworkState(SimConnection&, const Json::Value& request);
    // Mounted volumes: the tools add and remove them, the program lists them.
    void OnVolume(SimConnection&, const Json::Value& request);
    void OnVolumes(SimConnection&, const Json::Value& request);

    // Windows: the program's driver attaches and answers; the tools ask.
    void OnUi(SimConnection&, const Json::Value& request);
    void OnUiReply(SimConnection&, const Json::Value& request);
    void OnGrab(SimConnection&, const Json::Value& request);
    // click, type, choose, slide, query, tray: checked here, carried out by the program.
    void OnWindowInput(SimConnection&, const Json::Value& request);
    // Message boxes and pickers: the tools queue answers, the program asks for them.
    void OnAnswer(SimConnection&, const Json::Value& request);
    void OnQueueDialogAnswer(SimConnection&, const Json::Value& request);
    void OnMsgbox(SimConnection&, const Json::Value& request);
    void OnDialog(SimConnection&, const Json::Value& request);
    // Passes a tool's request to the program; the tool gets the program's answer.
    void ForwardToProgram(SimConnection& tool, Json::Value ui);
    bool IsConnected(const SimConnection* connection) const;

    // Hands the microphone's completed chunks to every running capture.
    void PumpMicrophone();
    void PumpMicrophoneAt(int64_t nowNs);
    // How long the poll loop may sleep: until the microphone's next chunk, at most maxMs.
    int PollTimeoutMs(int maxMs) const;
    void EndCapture(SimConnection& connection, int64_t nowNs);
    // A connection went away without saying so.
    void OnConnectionLost(SimConnection& connection);

    SimDevice* FindDevice(int id);
    // The most recently plugged device of a kind.
    SimDevice* NewestOfKind(const std::string& kind);
    void Deliver(SimDevice& device, std::vector<uint8_t> report);
    void NotifyWatchers(const char* change, const SimDevice& device);

    int m_listenFd = -1;
    std::string m_socketPath;
    bool m_running = false;
    int m_nextDeviceId = 1;
    std::map<std::string, Handler> m_handlers;
    ConnectionList m_connections;
    std::vector<std::unique_ptr<SimDevice>> m_devices;
    EventLog m_events;
    SimMicrophone m_microphone;
    SimDesktop m_desktop;
    // Tool connections waiting for the program's answer, by request id.
    std::map<int64_t, SimConnection*> m_waitingTools;
    int64_t m_nextUiRequest = 1;
    // Queued answers, oldest first: to message boxes, and to pickers by type ("" = cancel).
    std::deque<std::string> m_boxAnswers;
    std::map<std::string, std::deque<std::string>> m_dialogAnswers;
};
