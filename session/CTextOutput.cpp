#include "session/CTextOutput.h"

#include "app/FloatingWindowInterfaces.h"
#include "app/Log.h"
#include "device/DeviceContext.h"
#include "device/DeviceState.h"
#include "device/MouseCommands.h"
#include "device/VoiceMode.h"
#include "platform/InputDevices.h"

#include <thread>

namespace {

constexpr int kUsageTyping = 0;
constexpr int kUsageTranslationTyped = 2;
const char* const kUsageTypingText = "语音打字";

} // namespace

CTextOutput::CTextOutput(Context context) : m_context(std::move(context)) {
    // Whatever the owner leaves out gets the desktop back end or a neutral value, so no call
    // below meets an empty function.
    if (!m_context.keyboard)
        m_context.keyboard = platform::KeyboardInput();
    if (!m_context.clipboard)
        m_context.clipboard = platform::Clipboard();
    if (!m_context.setting)
        m_context.setting = [](ConfigKey) { return QString(); };
    if (!m_context.deviceKind)
        m_context.deviceKind = [] { return 0; };
    if (!m_context.voiceMode)
        m_context.voiceMode = [] { return 0; };
    if (!m_context.sessionText)
        m_context.sessionText = [] { return std::string(); };
    if (!m_context.lastFlag)
        m_context.lastFlag = [] { return false; };
    if (!m_context.showVoiceTip)
        m_context.showVoiceTip = [](int, const QString&, bool, int) {};
    if (!m_context.recordUsageEvent)
        m_context.recordUsageEvent = [](int, const std::string&, const std::string&) {};
    if (!m_context.pause)
        m_context.pause = [](std::chrono::milliseconds interval) {
            std::this_thread::sleep_for(interval);
        };
}

std::function<bool()> CTextOutput::MousePasteThrough(std::shared_ptr<DeviceContext> device) {
    return [device = std::move(device)] { return device && SendCtrlVByMouse(*device); };
}

bool CTextOutput::TypeText(const std::string& utf8Text) {
    const QString text = QString::fromUtf8(utf8Text.c_str());
    // An empty result (a session with nothing recognised) must not replace the user's
    // clipboard or inject a paste; the final-result report still follows.
    const bool delivered =
        text.isEmpty() ||
        (TypingMode() == QLatin1String("mode1") ? TypeUnits(text) : PasteThroughClipboard(text));
    if (delivered && m_context.lastFlag())
        ReportFinalResult(utf8Text.c_str());
    return delivered;
}

void CTextOutput::PressArrow(platform::ArrowKey key) {
    if (KeyboardReady())
        m_context.keyboard->InjectArrow(key);
}

QString CTextOutput::TypingMode() const {
    switch (m_context.deviceKind()) {
    case kDeviceMouse:
        return m_context.setting(ConfigKey::TypingMode);
    case kDevicePen:
        return m_context.setting(ConfigKey::LpTypingMode);
    default:
        return QString();
    }
}

bool CTextOutput::PasteThroughClipboard(const QString& text) {
    if (!PasteOnly(text))
        return false;
    m_context.showVoiceTip(kTipProcessing, QString(), false, kTipHideDelayMs);
    return true;
}

bool CTextOutput::Paste(const QString& text) {
    return !text.isEmpty() && PasteOnly(text);
}

bool CTextOutput::PasteOnly(const QString& text) {
    const bool mouseTypesPaste = m_context.setting(ConfigKey::PhotoIC) == QLatin1String("3212");
    // The user's clipboard is not given up for a paste that cannot happen.
    if (!mouseTypesPaste && !KeyboardReady())
        return false;
    std::lock_guard<std::mutex> guard(m_pasteLock);
    WaitUntilPreviousPasteRead();
    if (!m_context.clipboard->SetText(text))
        return false;
    const std::uint64_t readsBeforePaste = m_context.clipboard->ReadsSoFar();
    const bool pasted = mouseTypesPaste ? m_context.sendMousePaste && m_context.sendMousePaste()
                                        : m_context.keyboard->InjectCtrlV();
    if (!pasted)
        return false;
    m_unreadPaste = readsBeforePaste;
    return true;
}

void CTextOutput::WaitUntilPreviousPasteRead() {
    if (!m_unreadPaste)
        return;
    // The target fetches the text some time after the keys reach it; replacing the clipboard
    // before that would paste the next piece twice and lose this one. A target that never
    // fetches (it takes no paste) costs one limit.
    m_context.clipboard->WaitForReadBeyond(*m_unreadPaste, kPasteReadLimit);
    m_unreadPaste.reset();
}

bool CTextOutput::TypeUnits(const QString& text) {
    if (!KeyboardReady())
        return false;
    // Without a focus window nothing is typed, yet the result still counts as handled.
    if (!m_context.keyboard->HasFocusWindow())
        return true;
    for (QChar unit : text) {
        // A unit that could not be typed (no spare keycode left) leaves a hole; typing on would
        // put the rest after it, so the text ends here and counts as not delivered.
        if (!m_context.keyboard->TypeUnit(unit.unicode())) {
            m_context.keyboard->FinishTyping();
            return false;
        }
        m_context.showVoiceTip(kTipProcessing, QString(), false, kTipHideDelayMs);
        m_context.pause(kUnitInterval);
    }
    m_context.keyboard->FinishTyping();
    return true;
}

void CTextOutput::ReportFinalResult(const std::string& typedText) {
    m_context.showVoiceTip(kTipProcessing, QString(), true, kTipHideDelayMs);
    const int mode = m_context.voiceMode();
    if (mode == kVoiceTyping)
        m_context.recordUsageEvent(kUsageTyping, kUsageTypingText, m_context.sessionText());
    else if (mode == kVoiceTranslation)
        m_context.recordUsageEvent(kUsageTranslationTyped, typedText, m_context.sessionText());
}

bool CTextOutput::KeyboardReady() {
    if (m_context.keyboard->IsAvailable())
        return true;
    if (!m_reportedUnavailable.exchange(true))
        applog::Warning(QStringLiteral(
            "Keyboard input unavailable (no X display with XTest): text and keys are not typed"));
    return false;
}
