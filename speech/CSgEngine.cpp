#include "speech/CSgEngine.h"

#include "service/Endpoints.h"

#include <chrono>
#include <thread>

namespace {
constexpr auto kQuitWait = std::chrono::seconds(5);
}

CSgEngine::CSgEngine(IIatCallBack* callback, std::function<int()> voiceMode)
    : CSgEngine(callback, std::move(voiceMode),
                SgEngineActions::Settings::FromEndpoints(GetEndpoints())) {}

CSgEngine::CSgEngine(IIatCallBack* callback, std::function<int()> voiceMode,
                     const SgEngineActions::Settings& settings)
    : m_actions(std::make_shared<SgEngineActions>(settings, callback, std::move(voiceMode))),
      m_worker(m_actions) {}

CSgEngine::~CSgEngine() {
    Quit();
    const auto deadline = std::chrono::steady_clock::now() + kQuitWait;
    while (m_worker.IsRunning() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    // The stream outlives the worker (it waits for the vendor's end), and a worker that did
    // not end in time must not report either.
    m_actions->Shutdown();
}

void CSgEngine::Start() {
    m_worker.Start();
}

void CSgEngine::Quit() {
    m_actions->RequestQuit();
    m_worker.Post('q');
}

void CSgEngine::BeginRecognize() {
    m_worker.Post('r');
}

void CSgEngine::EndRecognize() {
    m_worker.Post('s');
}
