#include "speech/CXfEngine.h"

#include "platform/DebugChannel.h"
#include "service/Endpoints.h"
#include "speech/XfEngineActions.h"
#include "speech/XfStreamSettings.h"
#include "speech/sdk/SpeechSdk.h"

#include <chrono>
#include <string>
#include <thread>

namespace {

constexpr auto kQuitWait = std::chrono::seconds(5);

std::string LoginParams() {
    return "appid = " + GetEndpoints().xfAppId + ", work_dir = .";
}

} // namespace

CXfEngine::CXfEngine(std::shared_ptr<CConfig> config, IIatCallBack* callback,
                     std::function<int()> deviceKind)
    : CXfEngine(std::move(config), callback, std::move(deviceKind),
                XfStreamSettings::FromEndpoints(GetEndpoints())) {}

CXfEngine::CXfEngine(std::shared_ptr<CConfig> config, IIatCallBack* callback,
                     std::function<int()> deviceKind, const XfStreamSettings& streamSettings)
    : m_actions(std::make_shared<XfEngineActions>(std::move(config), callback,
                                                  std::move(deviceKind), streamSettings)),
      m_worker(m_actions) {}

CXfEngine::~CXfEngine() {
    m_worker.Post('q');
    const auto deadline = std::chrono::steady_clock::now() + kQuitWait;
    while (m_worker.IsRunning() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    // The live stream outlives the worker (it waits for the vendor's last result), and a
    // worker that did not end in time must not report either.
    m_actions->Shutdown();
}

void CXfEngine::Login() {
    const std::string params = LoginParams();
    if (speechsdk::SignIn(nullptr, nullptr, params.c_str()) == 0)
        platform::OutputDebug(QString::fromUtf8("**************登录成功\n"));
    else
        platform::OutputDebug(QString::fromUtf8("**************登录失败\n"));
}

void CXfEngine::Logout() {
    platform::OutputDebug(QString::fromUtf8("***********退出登录\n"));
    speechsdk::SignOut();
}

void CXfEngine::Start() {
    m_worker.Start();
}

void CXfEngine::Quit() {
    m_worker.Post('q');
}

void CXfEngine::BeginRecognize() {
    m_worker.Post('r');
}

void CXfEngine::EndRecognize() {
    m_worker.Post('s');
}

void CXfEngine::UpdateParams() {
    m_worker.Post('c');
}

void CXfEngine::RestartRecognize() {
    m_actions->ForgetListening();
    m_worker.Post('r');
}
