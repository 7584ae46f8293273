// endpoints.ini: any file either loads into well-formed addresses or is refused with a
// problem text made only of the reader's own words, never of the file's (a mistyped line may
// be a credential, and the problem goes to the log).
#include "service/Endpoints.h"
#include "support/FuzzSupport.h"

#include <QFile>
#include <QRegularExpression>

namespace {

using fuzz::Require;

bool operator==(const Endpoints& a, const Endpoints& b) {
    return a.service == b.service && a.update == b.update && a.web == b.web &&
           a.semantic == b.semantic && a.translate == b.translate && a.tts == b.tts &&
           a.xfIat == b.xfIat && a.sgToken == b.sgToken && a.sgStream == b.sgStream &&
           a.shDiscovery == b.shDiscovery && a.xfAppId == b.xfAppId && a.xfApiKey == b.xfApiKey &&
           a.xfApiSecret == b.xfApiSecret && a.sgAppId == b.sgAppId && a.sgAppKey == b.sgAppKey &&
           a.shAppKey == b.shAppKey && a.shSecret == b.shSecret && a.transAppId == b.transAppId &&
           a.transSalt == b.transSalt && a.transKey == b.transKey &&
           a.semanticEngineId == b.semanticEngineId && a.caFile == b.caFile;
}

void CheckAddress(const std::string& value, bool webSocket, char lastRule) {
    if (value.empty())
        return;
    const std::string::size_type scheme = value.find("://");
    Require(scheme != std::string::npos, "an address without a scheme");
    const std::string name = value.substr(0, scheme);
    if (webSocket)
        Require(name == "ws" || name == "wss", "a streaming address of another scheme");
    else
        Require(name == "http" || name == "https", "an address of another scheme");
    Require(value.size() > scheme + 3 && value[scheme + 3] != '/', "an address without a host");
    if (lastRule == 'o')
        Require(value.back() != '/', "an origin ending with \"/\"");
    if (lastRule == 'd')
        Require(value.back() == '/', "a base not ending with \"/\"");
}

void CheckLoaded(const Endpoints& e) {
    CheckAddress(e.service, false, 'o');
    CheckAddress(e.update, false, 'd');
    CheckAddress(e.web, false, 'o');
    CheckAddress(e.semantic, false, 'o');
    CheckAddress(e.translate, false, 'o');
    CheckAddress(e.tts, false, 'o');
    CheckAddress(e.xfIat, true, 'a');
    CheckAddress(e.sgToken, false, 'a');
    CheckAddress(e.sgStream, true, 'a');
    CheckAddress(e.shDiscovery, false, 'a');
}

// Every problem the reader can name, with nothing but line numbers and known section names
// filled in.
const QRegularExpression& ProblemShape(const QString& path) {
    static const QRegularExpression shape(
        QStringLiteral("^") + QRegularExpression::escape(path) +
        QStringLiteral(": (line [0-9]+( in \\[(endpoints|credentials|tls)\\])?: "
                       "(section header without closing \"\\]\"|unknown section|"
                       "neither a \\[section\\] nor a key = value line|"
                       "key outside of any section|unknown key|"
                       "value is not an address \\((http or https|ws or wss)://host\\))"
                       "|larger than [0-9]+ bytes"
                       "); using the built-in endpoints$"));
    return shape;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString path = fuzz::ScratchFile("endpoints.ini");
    static const Endpoints builtIn = [] {
        Endpoints e;
        LoadEndpoints(fuzz::ScratchFile("no-such-endpoints.ini"), e, nullptr);
        return e;
    }();
    {
        QFile file(path);
        Require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "scratch file not writable");
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    Endpoints loaded;
    QString problem;
    if (LoadEndpoints(path, loaded, &problem)) {
        Require(problem.isEmpty(), "a problem reported for a file that loaded");
        CheckLoaded(loaded);
        return 0;
    }
    Require(loaded == builtIn, "a refused file changed the endpoints");
    Require(ProblemShape(path).match(problem).hasMatch(),
            "the problem text is not the reader's own");
    return 0;
}
