#pragma once

#include <string>

// Certificates made with the openssl command in a temporary folder, once per test program and
// removed at exit: a test CA, a server certificate it signed for 127.0.0.1, one it signed for
// another host name, and a self-signed one for 127.0.0.1 that no one trusts.
struct TestCertificates {
    std::string caFile;
    std::string serverCert, serverKey;
    std::string wrongHostCert, wrongHostKey;
    std::string untrustedCert, untrustedKey;
    bool ok = false;

    static const TestCertificates& Get();
};
