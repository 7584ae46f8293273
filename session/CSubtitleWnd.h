#pragma once

#include "app/FloatingWindowInterfaces.h"
#include "translate/ITransCallBack.h"
#include "ui/framework/WindowConstants.h"
#include "ui/framework/WindowImplBase.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

class CConfig;
class ITransEngine;
namespace platform {
class IScreen;
}

// The pen's two-line subtitle band across the bottom of the screen: the recognised speech on
// the first line, its translation on the second. Shown at record-key down, hidden one second
// after key up.
//
// Threads: show, hide and source texts run on the UI thread (the window manager brings calls
// here); translations arrive on the engine's request threads and are posted back as message
// 1133. Lifetime: made hidden at start-up, lives until the window manager goes.
//
// One translation request is outstanding at a time: the engine answers in the order its
// service replies, not the order of the calls, so only a single request in flight ties each
// answer to its source text. Texts that come meanwhile wait, the newest replacing older ones,
// and a translation requested before the latest show is dropped.
class CSubtitleWnd : public WindowImplBase, public ISubtitleWindow, public ITransCallBack {
public:
    // Makes the band's own engine answering to the given callback; may give none (then the
    // band shows the source text only).
    using TransEngineFactory = std::function<std::unique_ptr<ITransEngine>(ITransCallBack*)>;

    static constexpr unsigned kHideTimer = 1;
    static constexpr int kHideDelayMs = 1000;
    static constexpr unsigned kTranslationReady = ui::WM_USER + 109; // 1133
    static constexpr int kMaxSourceCharacters = 200;
    static constexpr int kBandHeight = 140;
    static constexpr int kBandRise = 184;  // from the bottom edge to the band's top
    static constexpr int kLineMargin = 80; // screen width minus line width

    CSubtitleWnd(std::shared_ptr<const CConfig> config, TransEngineFactory makeEngine,
                 std::shared_ptr<platform::IScreen> screen = nullptr);
    ~CSubtitleWnd() override;

    QString GetWindowClassName() const override { return QStringLiteral("SubtitleWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("SubtitleWnd.xml"); }

    // ISubtitleWindow
    void ShowSubtitle() override;
    void AddSubtitleText(const QString& text) override;
    void StartSubtitleHideTimer() override;

    // ITransCallBack (request threads)
    void OnTranslated(const std::string& text) override;
    void OnSpeakEnd() override {}

    // The last count UTF-16 units of text, one fewer when the cut would leave the second half
    // of a surrogate pair at the start.
    static QString LastCharacters(const QString& text, int count);
    // lp_subtitleColor as drawn: the decimal ARGB value with full opacity (a colour of alpha 0
    // would hide the band); nullopt for an empty or non-numeric value (the skin's colour).
    static std::optional<uint32_t> ParseTextColor(const QString& value);

protected:
    void InitWindow() override;
    void OnTimer(unsigned id) override;
    intptr_t HandleCustomMessage(unsigned msg, uintptr_t wParam, intptr_t lParam,
                                 bool& handled) override;
    Qt::WindowFlags AdjustWindowFlags(Qt::WindowFlags flags) const override;

private:
    void ApplyEngineAlignment();
    void ApplyTextColor();
    void PlaceBand();
    void RequestTranslation(const QString& text);
    void SendToEngine(const QString& text);
    void ShowTranslation();
    int LineWidth() const;
    uint32_t SkinColorOf(const QString& line) const;

    std::shared_ptr<const CConfig> m_config;
    std::shared_ptr<platform::IScreen> m_screen;
    std::unique_ptr<ITransEngine> m_engine;
    bool m_controlsFound = false;
    std::pair<uint32_t, uint32_t> m_skinColors{0xFFFFFFFFu, 0xFFFFFFFFu}; // source, translation
    std::optional<int> m_lineWidth;                                       // set at show

    // UI thread: the request in flight and the newest text waiting for its turn.
    std::uint64_t m_nextRequest = 1;
    std::uint64_t m_inFlight = 0;     // 0: none
    std::uint64_t m_firstCurrent = 1; // requests before this one predate the latest show
    std::optional<QString> m_waiting;

    std::mutex m_replyLock;
    QString m_translation; // the latest answer, taken on 1133
};
