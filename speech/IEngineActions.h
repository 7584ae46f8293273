#pragma once

// The engine-specific half of the shared worker model: what an engine does when its worker
// starts and ends and for each command it takes. All calls come from the worker thread.
class IEngineActions {
public:
    virtual ~IEngineActions() = default;

    // Opening capture, signing in to a vendor... false ends the worker at once.
    virtual bool Prepare() = 0;
    virtual void OnBegin() = 0;
    virtual void OnEnd() = 0;
    // Ends the session and closes capture; the worker leaves its loop afterwards.
    virtual void OnQuit() = 0;
    // Engines without an update action leave this empty.
    virtual void OnUpdate() = 0;
    // Runs once the loop has been left after a successful Prepare.
    virtual void CleanUp() = 0;
};
