#pragma once

// Voice modes: which voice key started the session, as the key-down message carries it (wParam)
// and as the session routes its result.
enum VoiceMode : int {
    kVoiceTyping = 0,
    kVoiceSearch = 1,
    kVoiceTranslation = 2,
    kVoiceSubtitles = 3
};
