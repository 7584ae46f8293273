#pragma once

#include <string>

// One report due to the owner's OnResultString.
struct StreamDelivery {
    std::string text;
    bool last = false;
    std::string mode; // "apd" or "rpl"
    bool operator==(const StreamDelivery& other) const {
        return text == other.text && last == other.last && mode == other.mode;
    }
};
