#include "service/Endpoints.h"

#include "platform/DebugChannel.h"
#include "platform/ProgramHome.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cctype>

namespace {

// Deployers supply real vendor addresses and credentials through endpoints.ini; the compiled-in
// credentials stay empty so that nothing secret ships in the binary.
Endpoints BuiltInEndpoints() {
    Endpoints e;
    e.service = "http://api.velmora.example";
    // Packages are installed from here: TLS keeps a network in between from swapping the
    // package and its checksum together.
    e.update = "https://update.velmora.example/";
    e.web = "http://www.velmora.example";
    e.semantic = "http://semantic.velmora.example";
    e.translate = "http://api.fanyi.baidu.com";
    e.tts = "http://translate.google.com";
    e.xfIat = "wss://iat-api.xfyun.cn/v2/iat";
    e.sgToken = "https://speech-sg.velmora.example/apis/auth/v1/create_token";
    e.sgStream = "wss://speech-sg.velmora.example/wss/asr/v1/streaming_recognize";
    e.shDiscovery = "https://speech-sh.velmora.example/websocket";
    return e;
}

enum class ValueShape { Origin, DirectoryBase, Address, Secret, Path };

// The schemes an address key accepts: the service and HTTP addresses only http and https, the
// streaming addresses only ws and wss. Anything else (file, ftp, ...) would hand libcurl or the
// WebSocket client a transport the caller never meant to use.
enum class SchemeFamily { None, Http, WebSocket };

struct KeyInfo {
    const char* section;
    const char* name;
    std::string Endpoints::*field;
    ValueShape shape;
    SchemeFamily schemes;
};

const std::array<KeyInfo, 22>& KnownKeys() {
    using S = ValueShape;
    using F = SchemeFamily;
    static const std::array<KeyInfo, 22> keys = {{
        {"endpoints", "service", &Endpoints::service, S::Origin, F::Http},
        {"endpoints", "update", &Endpoints::update, S::DirectoryBase, F::Http},
        {"endpoints", "web", &Endpoints::web, S::Origin, F::Http},
        {"endpoints", "semantic", &Endpoints::semantic, S::Origin, F::Http},
        {"endpoints", "translate", &Endpoints::translate, S::Origin, F::Http},
        {"endpoints", "tts", &Endpoints::tts, S::Origin, F::Http},
        {"endpoints", "xf_iat", &Endpoints::xfIat, S::Address, F::WebSocket},
        {"endpoints", "sg_token", &Endpoints::sgToken, S::Address, F::Http},
        {"endpoints", "sg_stream", &Endpoints::sgStream, S::Address, F::WebSocket},
        {"endpoints", "sh_discovery", &Endpoints::shDiscovery, S::Address, F::Http},
        {"credentials", "xf_appid", &Endpoints::xfAppId, S::Secret, F::None},
        {"credentials", "xf_api_key", &Endpoints::xfApiKey, S::Secret, F::None},
        {"credentials", "xf_api_secret", &Endpoints::xfApiSecret, S::Secret, F::None},
        {"credentials", "sg_appid", &Endpoints::sgAppId, S::Secret, F::None},
        {"credentials", "sg_appkey", &Endpoints::sgAppKey, S::Secret, F::None},
        {"credentials", "sh_appkey", &Endpoints::shAppKey, S::Secret, F::None},
        {"credentials", "sh_secret", &Endpoints::shSecret, S::Secret, F::None},
        {"credentials", "trans_appid", &Endpoints::transAppId, S::Secret, F::None},
        {"credentials", "trans_salt", &Endpoints::transSalt, S::Secret, F::None},
        {"credentials", "trans_key", &Endpoints::transKey, S::Secret, F::None},
        {"credentials", "semantic_engineid", &Endpoints::semanticEngineId, S::Secret, F::None},
        {"tls", "ca_file", &Endpoints::caFile, S::Path, F::None},
    }};
    return keys;
}

bool IsKnownSection(const QByteArray& name) {
    return name == "endpoints" || name == "credentials" || name == "tls";
}

const KeyInfo* FindKey(const QByteArray& section, const QByteArray& name) {
    for (const KeyInfo& key : KnownKeys()) {
        if (section == key.section && name == key.name)
            return &key;
    }
    return nullptr;
}

QByteArray Unquoted(const QByteArray& value) {
    if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
        return value.mid(1, value.size() - 2);
    return value;
}

bool SchemeAllowed(SchemeFamily family, const std::string& scheme) {
    switch (family) {
    case SchemeFamily::Http:
        return scheme == "http" || scheme == "https";
    case SchemeFamily::WebSocket:
        return scheme == "ws" || scheme == "wss";
    case SchemeFamily::None:
        break;
    }
    return false;
}

// Addresses are checked and normalised (lower-case scheme, the trailing "/" of the shape); an
// empty override is allowed and switches the service off. Returns false for a value that is
// not an address of one of the key's schemes with a host.
bool ShapeValue(const KeyInfo& key, std::string& value) {
    if (value.empty() || key.shape == ValueShape::Secret || key.shape == ValueShape::Path)
        return true;
    const std::string::size_type scheme = value.find("://");
    if (scheme == std::string::npos || scheme == 0 || scheme + 3 == value.size() ||
        value[scheme + 3] == '/')
        return false;
    std::transform(value.begin(), value.begin() + static_cast<std::ptrdiff_t>(scheme),
                   value.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (!SchemeAllowed(key.schemes, value.substr(0, scheme)))
        return false;
    if (key.shape == ValueShape::Origin) {
        while (value.size() > scheme + 3 && value.back() == '/')
            value.pop_back();
    } else if (key.shape == ValueShape::DirectoryBase && value.back() != '/') {
        value.push_back('/');
    }
    return true;
}

const char* AllowedSchemesText(SchemeFamily family) {
    return family == SchemeFamily::WebSocket ? "ws or wss" : "http or https";
}

constexpr qint64 kLargestFile = 64 * 1024;

// Where a fault is: the line number, and the section when the line is inside a known one.
QString FaultPlace(int lineNumber, const QByteArray& section) {
    if (section.isEmpty())
        return QStringLiteral("line %1: ").arg(lineNumber);
    return QStringLiteral("line %1 in [%2]: ").arg(lineNumber).arg(QLatin1String(section));
}

// Parses the text over `out`. A problem names the place and the kind of fault, never text of
// the line: a mistyped line may well be a credential (a key without its "=", a secret on a
// line of its own), and the problem goes to the log.
bool ParseEndpointsText(const QByteArray& text, Endpoints& out, QString& problem) {
    QByteArray section; // always a known section's name, or empty
    const QList<QByteArray> lines = text.split('\n');
    for (int index = 0; index < lines.size(); ++index) {
        const QString where = FaultPlace(index + 1, section);
        QByteArray line = lines[index].trimmed();
        if (index == 0 && line.startsWith("\xEF\xBB\xBF"))
            line = line.mid(3).trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            // A header line belongs to no section yet.
            const QString header = FaultPlace(index + 1, QByteArray());
            if (!line.endsWith(']')) {
                problem = header + QStringLiteral("section header without closing \"]\"");
                return false;
            }
            const QByteArray name = line.mid(1, line.size() - 2).trimmed();
            if (!IsKnownSection(name)) {
                problem = header + QStringLiteral("unknown section");
                return false;
            }
            section = name;
            continue;
        }
        const int equals = line.indexOf('=');
        if (equals < 0) {
            problem = where + QStringLiteral("neither a [section] nor a key = value line");
            return false;
        }
        if (section.isEmpty()) {
            problem = where + QStringLiteral("key outside of any section");
            return false;
        }
        const KeyInfo* key = FindKey(section, line.left(equals).trimmed());
        if (!key) {
            problem = where + QStringLiteral("unknown key");
            return false;
        }
        std::string value = Unquoted(line.mid(equals + 1).trimmed()).toStdString();
        if (!ShapeValue(*key, value)) {
            problem = where + QStringLiteral("value is not an address (%1://host)")
                                  .arg(QLatin1String(AllowedSchemesText(key->schemes)));
            return false;
        }
        out.*(key->field) = std::move(value);
    }
    return true;
}

struct LoadedEndpoints {
    Endpoints values;
    QString problem;
};

// Never destroyed: detached service threads may still read it while the process exits.
const LoadedEndpoints& ProcessEndpoints() {
    static const LoadedEndpoints* const loaded = [] {
        auto* result = new LoadedEndpoints;
        QString error;
        const QString path = platform::ProgramHome() + QStringLiteral("endpoints.ini");
        if (!LoadEndpoints(path, result->values, &error)) {
            result->problem = error;
            platform::OutputDebug(error + QLatin1Char('\n'));
        }
        return result;
    }();
    return *loaded;
}

} // namespace

bool Endpoints::HasXfCredentials() const {
    return !xfIat.empty() && !xfAppId.empty() && !xfApiKey.empty() && !xfApiSecret.empty();
}

const Endpoints& GetEndpoints() {
    return ProcessEndpoints().values;
}

QString GetEndpointsProblem() {
    return ProcessEndpoints().problem;
}

bool LoadEndpoints(const QString& path, Endpoints& out, QString* error) {
    out = BuiltInEndpoints();
    QFile file(path);
    if (!file.exists())
        return true;

    QString problem;
    if (QFileInfo(path).size() > kLargestFile) {
        problem = QStringLiteral("larger than %1 bytes").arg(kLargestFile);
    } else if (!file.open(QIODevice::ReadOnly)) {
        problem = QStringLiteral("cannot be read (%1)").arg(file.errorString());
    } else {
        Endpoints parsed = out;
        if (ParseEndpointsText(file.readAll(), parsed, problem))
            out = std::move(parsed);
    }
    if (problem.isEmpty())
        return true;
    if (error)
        *error = QStringLiteral("%1: %2; using the built-in endpoints").arg(path, problem);
    return false;
}
