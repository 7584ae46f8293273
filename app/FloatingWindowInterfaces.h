#pragma once

#include <QString>

// What the window manager asks of each floating window. A floating window class derives from
// WindowImplBase and from its interface here; the manager finds the interface on the window
// it created and forwards calls to it on the UI thread.

// What the voice tip shows.
enum VoiceTipState : int { kTipListening = 0, kTipProcessing = 1, kTipText = 2 };

class IVoiceTipWindow {
public:
    virtual ~IVoiceTipWindow() = default;
    // A VoiceTipState; the text is shown in kTipText only; hide starts the hide timer.
    virtual void ShowVoiceTip(int state, const QString& text, bool hide, int delayMs) = 0;
    virtual void HideVoiceTip() = 0;
};

class INoticeWindow {
public:
    virtual ~INoticeWindow() = default;
    virtual void ShowNotice(int id) = 0;
};

class ITransWindow {
public:
    virtual ~ITransWindow() = default;
    virtual void ShowTranslation(const QString& text, bool last) = 0;
};

class IFloatingIconWindow {
public:
    virtual ~IFloatingIconWindow() = default;
    virtual void ShowIcon(int value, int x, int y, const QString& word) = 0;
    virtual void HideIconIfPointerOutside() = 0;
};

class IGetWordWindow {
public:
    virtual ~IGetWordWindow() = default;
    virtual void ShowGetWord(int x, int y, const QString& word) = 0;
};

class ISubtitleWindow {
public:
    virtual ~ISubtitleWindow() = default;
    virtual void ShowSubtitle() = 0;
    virtual void AddSubtitleText(const QString& text) = 0;
    virtual void StartSubtitleHideTimer() = 0;
};

class ILaserWindow {
public:
    virtual ~ILaserWindow() = default;
    virtual void MoveDot(int x, int y) = 0;
    virtual void HideDot() = 0;
};

class IMagnifierWindow {
public:
    virtual ~IMagnifierWindow() = default;
    virtual void UpdateLens() = 0;
    virtual void HideLens() = 0;
    // Reads lp_multiple again; false when the platform refused the zoom.
    virtual bool ApplyZoom() = 0;
};
