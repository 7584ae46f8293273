#include "speech/CShEngine.h"

#include "service/Endpoints.h"

#include <chrono>
#include <thread>

namespace {
constexpr auto kQuitWait = std::chrono::seconds(5);
}

CShEngine::CShEngine(std::shared_ptr<CConfig> config, IIatCallBack* callback,
                     std::function<int()> deviceKind, std::function<int()> voiceMode)
    : CShEngine(std::move(config), callback, std::move(deviceKind), std::move(voiceMode),
                ShEngineActions::Settings::FromEndpoints(GetEndpoints())) {}

CShEngine::CShEngine(std::shared_ptr<CConfig> config, IIatCallBack* callback,
                     std::function<int()> deviceKind, std::function<int()> voiceMode,
                     const ShEngineActions::Settings& settings)
    : m_actions(std::make_shared<ShEngineActions>(settings, std::move(config), callback,
                                                  std::move(deviceKind), std::move(voiceMode))),
      m_worker(m_actions) {}

CShEngine::~CShEngine() {
    m_worker.Post('q');
    const auto deadline = std::chrono::steady_clock::now() + kQuitWait;
    while (m_worker.IsRunning() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    // The stream outlives the worker (it waits for the vendor's end), and a worker that did
    // not end in time must not report either.
    m_actions->Shutdown();
}

void CShEngine::Start() {
    m_worker.Start();
}

void CShEngine::Quit() {
    m_worker.Post('q');
}

void CShEngine::BeginRecognize() {
    m_worker.Post('r');
}

void CShEngine::EndRecognize() {
    m_worker.Post('s');
}
