#pragma once

#include "speech/CXfEngineWeb.h"

#include <functional>
#include <memory>

class CConfig;
class IIatCallBack;
class IIatEngine;

// The engines the owner creates for the configured recognition engine name ("xf", "sh", "sg";
// "ms" and unknown names give none, and voice keys then start no recognition).
struct RecognitionEngines {
    std::unique_ptr<IIatEngine> recognizer;
    // Made and started beside the "xf" engine to transcribe stored recordings.
    std::unique_ptr<CXfEngineWeb> web;
};

// Creates the engines and makes the calls due right after creation (sign-in for "xf", and the
// transcriber's Start).
// deviceKind reads the current device kind (0 mouse, 1 pen); the "xf" engine chooses its
// session parameters by it, "sh" its device id and language. voiceMode reads the owner's
// current voice mode; "sg" and "sh" deliver their results by it.
RecognitionEngines CreateRecognitionEngines(const std::shared_ptr<CConfig>& config,
                                            IIatCallBack* callback, std::function<int()> deviceKind,
                                            std::function<int()> voiceMode);
