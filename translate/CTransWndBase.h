#pragma once

#include "translate/ITransCallBack.h"
#include "translate/TransWindows.h"
#include "ui/framework/WindowImplBase.h"

#include <QSize>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

class ITransEngine;

// What the translation and the get-word windows share: a source text and its translation, the
// language list, copy and read-aloud. Each translation request gets an engine of its own, so
// only the answer to the latest request is ever shown; speech has one engine for the window's
// life. Engine answers arrive on request threads and are posted to the window (1133, 1134);
// everything else runs on the UI thread.
class CTransWndBase : public WindowImplBase, public ITransCallBack {
public:
    static constexpr unsigned kTranslationReady = 1024 + 109; // 1133
    static constexpr unsigned kSpeechFinished = 1024 + 110;   // 1134
    static constexpr unsigned kLanguageChosen = 1024 + 111;   // 1135, to the main window
    static constexpr int kWidth = 320;
    static constexpr int kExtraHeight = 200;
    static constexpr int kMaxHeight = 500;

    explicit CTransWndBase(TransWindowLinks links);
    ~CTransWndBase() override;

    // ITransCallBack: the speech engine's answers (translations come through the request's own
    // callback).
    void OnTranslated(const std::string& text) override;
    void OnSpeakEnd() override;

    QString SourceText() const { return m_source; }
    // The translation of the latest request once it has arrived.
    QString Translation() const;
    bool ReplyOutstanding() const { return m_replyOutstanding; }

protected:
    void InitWindow() override;
    void Notify(const TNotifyUI& msg) override;
    void OnClick(const TNotifyUI& msg) override;
    intptr_t HandleCustomMessage(unsigned msg, uintptr_t wParam, intptr_t lParam,
                                 bool& handled) override;

    // Stores the text, starts its translation and shows it with "Processing..." below; sizes
    // the window for it. Returns the size.
    QSize ShowSourceText(const QString& text);
    // Hides the window and clears both edits.
    virtual void HideAndClear();
    // The latest translation has arrived and is shown.
    virtual void OnTranslationShown() {}
    // Where a window of this size goes so that it fits on the screen.
    QPoint FitOnScreen(QPoint place, QSize size) const;

    const TransWindowLinks& Links() const { return m_links; }

private:
    class Request;
    void FillLanguageList();
    void SelectCurrentLanguage();
    void OnLanguageChosen();
    void StartTranslation();
    void TakeTranslation(std::uint64_t id, const std::string& text);
    void ShowTranslation(std::uint64_t id);
    void Copy();
    void Play();
    int DeviceKind() const;
    QSize SizeFor(const QString& text) const;

    TransWindowLinks m_links;
    QString m_source;
    mutable std::mutex m_translationLock;
    QString m_translation;
    std::atomic<std::uint64_t> m_latest{0};
    bool m_replyOutstanding = false;
    bool m_selectingLanguage = false;
    // The request's callback must outlive its engine: declared first, destroyed last.
    std::unique_ptr<Request> m_request;
    std::unique_ptr<ITransEngine> m_requestEngine;
    std::unique_ptr<ITransEngine> m_speechEngine;
};
