#pragma once

// How one transcription ended: its transcript is in place (Done), it could not be made
// (Failed), or the engine was quit while it ran (Stopped).
enum class TranscriptionOutcome { Done, Failed, Stopped };
