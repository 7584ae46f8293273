#include "session/CVoiceSession.h"

#include "app/CConfig.h"
#include "app/FloatingWindowInterfaces.h"
#include "device/DeviceState.h"
#include "device/VoiceMode.h"
#include "speech/IIatCallBack.h"
#include "speech/IIatEngine.h"
#include "ui/framework/CResourceManager.h"

namespace {
template <class F, class... Args> void Call(const F& f, Args&&... args) {
    if (f)
        f(std::forward<Args>(args)...);
}
} // namespace

CVoiceSession::CVoiceSession(Context context) : m_context(std::move(context)) {}

bool CVoiceSession::IsPenSubtitleSession() const {
    return m_context.deviceKind() == kDevicePen && m_voiceMode.load() == kVoiceSubtitles;
}

void CVoiceSession::OnKeyDown(int voiceMode) {
    m_voiceMode.store(voiceMode);
    m_failed.store(false);
    if (IsPenSubtitleSession())
        Call(m_context.showSubtitle);
    else
        Call(m_context.showVoiceTip, kTipListening, QString(), false, 0);
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        m_sessionText.clear();
    }
    if (IIatEngine* engine = Engine())
        engine->BeginRecognize();
}

void CVoiceSession::OnKeyUp() {
    if (IsPenSubtitleSession())
        Call(m_context.startSubtitleHideTimer);
    else if (!m_failed.load())
        Call(m_context.showVoiceTip, kTipProcessing, QString(), true, kTipHideDelayMs);
    if (IIatEngine* engine = Engine())
        engine->EndRecognize();
}

// The device information goes to the service whatever the engine: without one ("ms", or an
// engine not built) only the engine operations are skipped.
void CVoiceSession::OnGenerationKnown(int v9) {
    IIatEngine* engine = Engine();
    if (v9 == 1) {
        if (m_engineStarted.load()) {
            if (engine)
                engine->UpdateParams();
        } else {
            Call(m_context.sendDeviceInfo);
            if (engine)
                engine->Start();
        }
        m_engineStarted.store(false);
        return;
    }
    Call(m_context.sendDeviceInfo);
    if (engine)
        engine->Start();
    m_engineStarted.store(true);
}

std::string CVoiceSession::SessionText() const {
    std::lock_guard<std::mutex> guard(m_textLock);
    return m_sessionText;
}

void CVoiceSession::OnSpeechEnd() {
    const int kind = m_context.deviceKind();
    if (kind == kDeviceMouse && m_context.config->GetType() == QLatin1String("v9")) {
        Call(m_context.showVoiceTip, kTipProcessing, QString(), true, kTipHideDelayMs);
        Call(m_context.sendEndOfVoiceState);
        Call(m_context.resetMouseLastKey);
        return;
    }
    if (IsPenSubtitleSession()) {
        if (IIatEngine* engine = Engine())
            engine->RestartRecognize();
    }
}

void CVoiceSession::OnResultString(const std::string& text, bool last, std::string mode) {
    OnResult(text.c_str(), last, std::move(mode));
}

void CVoiceSession::OnResult(const char* text, bool last, std::string mode) {
    const std::string piece = text ? std::string(text) : std::string();
    const int voiceMode = m_voiceMode.load();
    if (voiceMode == kVoiceSubtitles) {
        RouteSubtitleResult(piece, last, mode);
        return;
    }
    m_last.store(last);
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        m_sessionText += piece;
    }
    switch (voiceMode) {
    case kVoiceTyping:
        RouteTyping(piece);
        break;
    case kVoiceSearch:
        RouteSearch(last);
        break;
    case kVoiceTranslation:
        RouteTranslation(last);
        break;
    default:
        break;
    }
}

void CVoiceSession::RouteSubtitleResult(const std::string& text, bool last,
                                        const std::string& mode) {
    const QString wide = QString::fromStdString(text);
    if (mode == "apd")
        Call(m_context.appendSessionText, wide);
    Call(m_context.addSubtitleText, wide);
    if (last)
        Call(m_context.endSessionText);
}

void CVoiceSession::RouteTyping(const std::string& text) {
    const bool spokenPunctuation = m_context.deviceKind() == kDeviceMouse &&
                                   m_context.config->GetPtt() == QLatin1String("off");
    Call(m_context.typeText, spokenPunctuation ? ReplaceSpokenPunctuation(text) : text);
}

void CVoiceSession::RouteSearch(bool last) {
    if (!last)
        return;
    const std::string text = SessionText();
    Call(m_context.showVoiceTip, kTipText, QString::fromStdString(text), true, kTipHideDelayMs);
    Call(m_context.handleCommand, text);
    Call(m_context.recordUsageEvent, 1, std::string("语音搜索"), text);
}

void CVoiceSession::RouteTranslation(bool last) {
    const std::string text = SessionText();
    const QString translationSwitch =
        m_context.config->GetForDevice(ConfigKey::TranslateSwitch, m_context.deviceKind());
    if (translationSwitch == QLatin1String("on")) {
        Call(m_context.hideVoiceTip);
        Call(m_context.showTranslation, QString::fromStdString(text), last);
        return;
    }
    Call(m_context.showVoiceTip, kTipText, QString::fromStdString(text), false, 0);
    if (last)
        Call(m_context.translateAndType, text);
}

QString CVoiceSession::FailureTextId(int reason) {
    switch (reason) {
    case IIatCallBack::kFailureUnreachable:
        return QStringLiteral("id_voice_tip_engine_unreachable");
    case IIatCallBack::kFailureRefused:
        return QStringLiteral("id_voice_tip_engine_refused");
    case IIatCallBack::kFailureUnconfigured:
        return QStringLiteral("id_voice_tip_engine_unconfigured");
    default:
        return QString();
    }
}

// Nothing of the failed session is typed; the tip says why for a few seconds.
void CVoiceSession::OnReserved1(std::int32_t reason, std::int32_t) {
    const QString id = FailureTextId(reason);
    if (id.isEmpty())
        return;
    m_failed.store(true);
    Call(m_context.showVoiceTip, kTipText, CResourceManager::Instance().GetText(id), true,
         kFailureTipMs);
}

std::string CVoiceSession::ReplaceSpokenPunctuation(const std::string& text) {
    const auto table = CConfig::SpokenPunctuation();
    const auto found = table.find(QString::fromStdString(text));
    return found == table.end() ? text : found->second.toStdString();
}
