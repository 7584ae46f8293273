#pragma once

#include <string>

// Reads audio for the simulator's microphone: raw 16 kHz mono signed 16-bit little-endian
// samples, or a WAV file holding exactly that. Anything else is refused with a message that
// says what the file holds and what is needed, so a wrong file never plays as noise.
bool LoadMicrophoneAudio(const std::string& path, std::string& pcm, std::string& error);

// The samples of a WAV image (in the format above); false with a message otherwise.
bool ParseMicrophoneWav(const std::string& image, std::string& pcm, std::string& error);
