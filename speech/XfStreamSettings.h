#pragma once

#include <chrono>
#include <string>

struct Endpoints;

// Where and as whom the first vendor's live stream connects.
struct XfStreamSettings {
    std::string address; // wss://host/v2/iat, unsigned
    std::string appId;
    std::string apiKey;
    std::string apiSecret;
    std::string caFile; // trusted beside the system store; empty for none
    // How long the stream waits for the vendor's last result after its last frame before it
    // closes the connection itself, so a silent server cannot keep the stream busy forever.
    std::chrono::milliseconds finalResultTimeout{15000};

    static XfStreamSettings FromEndpoints(const Endpoints& endpoints);
    // An address and all three credentials are present.
    bool Usable() const;
};
