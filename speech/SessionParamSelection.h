#pragma once

#include <optional>
#include <string>

class CConfig;

// The SDK session parameter text for the current settings: the table is chosen by the device
// kind (0 mouse, 1 pen), the mouse's hardware generation ("v6" long end of speech, "v9" short)
// and its punctuation switch; the entry by the device's recognition language. None when the
// kind, generation, switch or language has no table entry.
std::optional<std::string> SelectSessionParams(const CConfig& config, int deviceKind);
