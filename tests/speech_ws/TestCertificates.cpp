#include "speech_ws/TestCertificates.h"

#include <cstdlib>
#include <filesystem>

namespace {

class CertificateFolder {
public:
    CertificateFolder() {
        char pattern[] = "/tmp/velmora-test-ca-XXXXXX";
        if (!mkdtemp(pattern))
            return;
        dir_ = pattern;
        const std::string ec = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
        const std::string script =
            "cd '" + dir_ +
            "' && exec >/dev/null 2>&1"
            " && openssl req -x509" +
            ec +
            " -keyout ca.key -out ca.pem -days 2"
            " -subj '/CN=Velmora Test CA' -addext 'basicConstraints=critical,CA:TRUE'"
            " -addext 'keyUsage=critical,keyCertSign,cRLSign'"
            " && openssl req" +
            ec +
            " -keyout server.key -out server.csr -subj '/CN=127.0.0.1'"
            " && printf 'subjectAltName=IP:127.0.0.1\\nbasicConstraints=CA:FALSE\\n' > server.ext"
            " && openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial"
            " -days 2 -extfile server.ext -out server.pem"
            " && openssl req" +
            ec +
            " -keyout other.key -out other.csr -subj '/CN=other.example'"
            " && printf 'subjectAltName=DNS:other.example\\nbasicConstraints=CA:FALSE\\n' > "
            "other.ext"
            " && openssl x509 -req -in other.csr -CA ca.pem -CAkey ca.key -CAcreateserial"
            " -days 2 -extfile other.ext -out other.pem"
            " && openssl req -x509" +
            ec +
            " -keyout rogue.key -out rogue.pem -days 2"
            " -subj '/CN=127.0.0.1' -addext 'subjectAltName=IP:127.0.0.1'";
        certificates_.ok = std::system(script.c_str()) == 0;
        certificates_.caFile = dir_ + "/ca.pem";
        certificates_.serverCert = dir_ + "/server.pem";
        certificates_.serverKey = dir_ + "/server.key";
        certificates_.wrongHostCert = dir_ + "/other.pem";
        certificates_.wrongHostKey = dir_ + "/other.key";
        certificates_.untrustedCert = dir_ + "/rogue.pem";
        certificates_.untrustedKey = dir_ + "/rogue.key";
    }
    ~CertificateFolder() {
        std::error_code ignored;
        if (!dir_.empty())
            std::filesystem::remove_all(dir_, ignored);
    }
    const TestCertificates& Certificates() const { return certificates_; }

private:
    std::string dir_;
    TestCertificates certificates_;
};

} // namespace

const TestCertificates& TestCertificates::Get() {
    static const CertificateFolder folder;
    return folder.Certificates();
}
