#pragma once

#include <string>

// Two throw-away certificate authorities made with the openssl tool at test time, each with a
// server certificate for the host name "localhost" only.
struct TestPki {
    std::string directory;
    std::string trustedCa;   // CA the endpoints' extra CA file names
    std::string trustedCert; // localhost, issued by trustedCa
    std::string trustedKey;
    std::string strangerCert; // localhost, issued by a CA nobody trusts
    std::string strangerKey;

    // Empty directory on failure.
    static TestPki Create(const std::string& directory);
};

// The process-wide test PKI; the program home's endpoints.ini names its trusted CA.
const TestPki& SharedPki();
