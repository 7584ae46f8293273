#pragma once

// One speech recognition back end, driven by its owner's window thread. Apart from Login and
// Logout every operation only hands a command to the engine's worker and returns at once;
// failures never come back to the caller.
class IIatEngine {
public:
    virtual ~IIatEngine() = default;

    virtual void Login() = 0;
    virtual void Logout() = 0;
    virtual void Start() = 0;
    virtual void Quit() = 0;
    virtual void BeginRecognize() = 0;
    virtual void EndRecognize() = 0;
    virtual void UpdateParams() = 0;
    virtual void RestartRecognize() = 0;
};
