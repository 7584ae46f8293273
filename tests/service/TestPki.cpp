#include "TestPki.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>

namespace {

bool Run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

bool MakeCa(const std::string& dir, const std::string& name) {
    return Run("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
               " -days 2 -subj '/CN=Velmora test " +
               name + "' -keyout '" + dir + "/" + name + ".key' -out '" + dir + "/" + name +
               ".pem'" + " -addext basicConstraints=critical,CA:TRUE" +
               " -addext keyUsage=critical,keyCertSign,cRLSign");
}

bool MakeLocalhostCert(const std::string& dir, const std::string& ca, const std::string& name) {
    const std::string base = dir + "/" + name;
    {
        std::ofstream extensions(base + ".ext");
        extensions << "basicConstraints=CA:FALSE\n"
                      "keyUsage=critical,digitalSignature\n"
                      "extendedKeyUsage=serverAuth\n"
                      "subjectAltName=DNS:localhost\n";
    }
    return Run("openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
               " -subj /CN=localhost -keyout '" +
               base + ".key' -out '" + base + ".csr'") &&
           Run("openssl x509 -req -days 2 -in '" + base + ".csr' -CA '" + dir + "/" + ca +
               ".pem' -CAkey '" + dir + "/" + ca + ".key' -CAcreateserial -extfile '" + base +
               ".ext' -out '" + base + ".pem'");
}

// Points the program home at a fresh folder whose endpoints.ini trusts the test CA, before
// anything reads the process-wide endpoints.
class ServiceTestEnvironment : public testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(m_home.isValid());
        const std::string home = m_home.path().toStdString();
        m_pki = TestPki::Create(home);
        ASSERT_FALSE(m_pki.directory.empty()) << "openssl could not make the test PKI";
        std::ofstream ini(home + "/endpoints.ini");
        ini << "[tls]\nca_file = " << m_pki.trustedCa << "\n";
        ini.close();
        setenv("VELMORA_HOME", home.c_str(), 1);
    }
    const TestPki& Pki() const { return m_pki; }

private:
    QTemporaryDir m_home;
    TestPki m_pki;
};

ServiceTestEnvironment* const environment = static_cast<ServiceTestEnvironment*>(
    testing::AddGlobalTestEnvironment(new ServiceTestEnvironment));

} // namespace

TestPki TestPki::Create(const std::string& dir) {
    TestPki pki;
    if (!MakeCa(dir, "trusted-ca") || !MakeCa(dir, "stranger-ca") ||
        !MakeLocalhostCert(dir, "trusted-ca", "localhost-trusted") ||
        !MakeLocalhostCert(dir, "stranger-ca", "localhost-stranger"))
        return pki;
    pki.directory = dir;
    pki.trustedCa = dir + "/trusted-ca.pem";
    pki.trustedCert = dir + "/localhost-trusted.pem";
    pki.trustedKey = dir + "/localhost-trusted.key";
    pki.strangerCert = dir + "/localhost-stranger.pem";
    pki.strangerKey = dir + "/localhost-stranger.key";
    return pki;
}

const TestPki& SharedPki() {
    return environment->Pki();
}
