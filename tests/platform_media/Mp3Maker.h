#pragma once

#include <string>

// Writes an MP3 of a test tone with GStreamer's LAME encoder, loaded at run time (the test
// machine has the plugins but no GStreamer headers). False when GStreamer or the encoder is
// missing or the file stays empty.
bool MakeToneMp3(const std::string& path, int seconds);
