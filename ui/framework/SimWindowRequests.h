#pragma once

#include "platform/SimUiRequests.h"

#include <string>

// Carries out a simulator tool's request on a live window (grab: the window as shown, written
// as a PNG file). Called on any thread; the window is touched on the UI thread. Returns an
// empty text when done, else why not.
std::string CarryOutSimWindowRequest(const platform::SimUiRequest& request);
