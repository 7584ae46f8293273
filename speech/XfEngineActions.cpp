#include "speech/XfEngineActions.h"

#include "app/CConfig.h"
#include "app/Log.h"
#include "platform/DebugChannel.h"
#include "speech/CWaveRecorder.h"
#include "speech/SessionParamSelection.h"
#include "speech/XfSdkNotifier.h"

XfEngineActions::XfEngineActions(std::shared_ptr<CConfig> config, IIatCallBack* callback,
                                 std::function<int()> deviceKind, XfStreamSettings streamSettings)
    : m_config(std::move(config)), m_callback(std::make_shared<CCallBackGate>(callback)),
      m_deviceKind(std::move(deviceKind)), m_capture(CWaveRecorder::Shared()),
      m_liveStream(std::move(streamSettings), m_callback.get(),
                   [](std::shared_ptr<ThreadMessageQueue> sender) {
                       CWaveRecorder::Shared().AttachSender(std::move(sender));
                   }) {}

bool XfEngineActions::Prepare() {
    platform::OutputDebug(QStringLiteral("sr_init\n"));
    if (m_capture.Open() != 0)
        return false;
    const std::string params = CurrentParams();
    const int result = m_recognizer.Init(params.c_str(), CSpeechRecognizer::kAudioFromMicrophone,
                                         std::string(), MakeXfSdkNotifier(m_callback.get()));
    if (result != 0) {
        platform::OutputDebug(QStringLiteral("speech recognizer init failed\n"));
        // The worker ends here: the shared capture is not left holding the audio system.
        m_capture.Close();
        return false;
    }
    return true;
}

void XfEngineActions::OnBegin() {
    if (m_capture.Start() == 0 && !m_liveStream.IsConnected())
        m_liveStream.Open();
    m_lastStart = m_recognizer.StartListening();
    if (m_lastStart != 0)
        applog::Warning(QStringLiteral("start listen failed"));
}

void XfEngineActions::OnEnd() {
    m_capture.Stop();
    m_lastStop = m_recognizer.StopListening();
    if (m_lastStop != 0)
        applog::Warning(QStringLiteral("stop listening failed"));
}

void XfEngineActions::OnQuit() {
    m_lastStop = m_recognizer.StopListening();
    m_capture.Close();
}

void XfEngineActions::OnUpdate() {
    m_recognizer.SetParams(CurrentParams());
}

void XfEngineActions::CleanUp() {
    applog::Info(QStringLiteral("demo_mic exit"));
    m_recognizer.Uninit();
    platform::OutputDebug(QStringLiteral("sr_uninit\n"));
}

void XfEngineActions::ForgetListening() {
    m_recognizer.MarkNotListening();
}

void XfEngineActions::Shutdown() {
    if (!m_liveStream.Shutdown())
        applog::Warning(QStringLiteral("live dictation stream still busy at engine teardown"));
    m_callback->Close();
}

std::string XfEngineActions::SessionParams() const {
    return m_recognizer.Params();
}

// Without a table entry for the settings the recogniser's default text is used, at start and
// on every update alike.
std::string XfEngineActions::CurrentParams() const {
    const int kind = m_deviceKind ? m_deviceKind() : 0;
    return SelectSessionParams(*m_config, kind).value_or(CSpeechRecognizer::DefaultParams());
}
