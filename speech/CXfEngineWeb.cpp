#include "speech/CXfEngineWeb.h"

#include "service/Endpoints.h"
#include "speech/CEngineWorker.h"
#include "speech/XfWebEngineActions.h"

#include <chrono>
#include <thread>

namespace {
constexpr auto kQuitWait = std::chrono::seconds(5);
}

struct CXfEngineWeb::State {
    State(std::shared_ptr<CConfig> c, TranscriberSettings settings)
        : config(std::move(c)), actions(std::make_shared<XfWebEngineActions>(std::move(settings))),
          worker(actions) {}

    std::shared_ptr<CConfig> config;
    std::shared_ptr<XfWebEngineActions> actions;
    CEngineWorker worker;
};

CXfEngineWeb::CXfEngineWeb(std::shared_ptr<CConfig> config, IIatCallBack* callback)
    : CXfEngineWeb(std::move(config), callback,
                   TranscriberSettings::FromEndpoints(GetEndpoints())) {}

// The owner's callback is kept by the interface's contract but never called: results go to
// the text file and the listener.
CXfEngineWeb::CXfEngineWeb(std::shared_ptr<CConfig> config, IIatCallBack* /*callback*/,
                           TranscriberSettings settings)
    : m_state(std::make_shared<State>(std::move(config), std::move(settings))) {}

CXfEngineWeb::~CXfEngineWeb() {
    m_state->worker.Post('q');
    const auto deadline = std::chrono::steady_clock::now() + kQuitWait;
    while (m_state->worker.IsRunning() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    // A worker that did not end in time must not start or report anything either.
    m_state->actions->Shutdown();
}

void CXfEngineWeb::SetListener(Listener listener) {
    m_state->actions->SetListener(std::move(listener));
}

void CXfEngineWeb::SetJob(TranscriptionJob job) {
    m_state->actions->SetJob(std::move(job));
}

bool CXfEngineWeb::IsRunning() const {
    return m_state->worker.IsRunning();
}

bool CXfEngineWeb::IsTranscribing() const {
    return m_state->actions->IsTranscribing();
}

void CXfEngineWeb::Start() {
    m_state->worker.Start();
}

void CXfEngineWeb::Quit() {
    m_state->worker.Post('q');
}

void CXfEngineWeb::BeginRecognize() {
    m_state->worker.Post('r');
}
