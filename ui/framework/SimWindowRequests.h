#pragma once

#include "platform/SimUiRequests.h"

// Carries out a simulator tool's request on a live window as a user would: grab (the window as
// shown, written as a PNG file), click, type, choose, slide (inputs to a control), query (a
// control's state) and tray (a click on the tray icon). Called on any thread; the windows are
// touched on the UI thread. Inputs are refused, changing nothing, when the window or control
// is absent, hidden, disabled or behind a modal window; an input that opens a modal window or
// menu counts as taken once that window waits for the user.
platform::SimUiReply CarryOutSimWindowRequest(const platform::SimUiRequest& request);
