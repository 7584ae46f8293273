#pragma once

namespace platform {

enum class ArrowKey { Up, Down };

// Synthetic keyboard input into whatever window holds the keyboard focus. Every call returns
// false when the input could not be delivered; IsAvailable() tells the "no input system at
// all" case (no display) apart from a single failed delivery. Callable from any thread.
class IKeyboardInput {
public:
    virtual ~IKeyboardInput() = default;

    // Whether synthetic input can be delivered at all (on X11: the display could be opened
    // and has the XTest extension).
    virtual bool IsAvailable() = 0;
    // Whether some window holds the keyboard focus, the target of TypeUnit.
    virtual bool HasFocusWindow() = 0;
    // Ctrl down, V down, V up, Ctrl up, without pauses.
    virtual bool InjectCtrlV() = 0;
    // One press and release of the arrow key.
    virtual bool InjectArrow(ArrowKey key) = 0;
    // Types one UTF-16 unit into the focus window. A back end that can only type whole code
    // points types a surrogate pair when its second unit arrives.
    virtual bool TypeUnit(char16_t unit) = 0;
    // Ends a run of TypeUnit calls: releases whatever the typing borrowed (key mappings).
    virtual void FinishTyping() = 0;
};

} // namespace platform
