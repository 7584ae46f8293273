#include "service/Endpoints.h"

#include "platform/DebugChannel.h"
#include "platform/ProgramHome.h"

#include <QFile>
#include <QFileInfo>

#include <array>

namespace {

// Deployers supply real vendor addresses and credentials through endpoints.ini; the compiled-in
// credentials stay empty so that nothing secret ships in the binary.
Endpoints BuiltInEndpoints() {
    Endpoints e;
    e.service = "http://api.velmora.example";
    e.update = "http://update.velmora.example/";
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

struct KeyInfo {
    const char* section;
    const char* name;
    std::string Endpoints::*field;
    ValueShape shape;
};

const std::array<KeyInfo, 22>& KnownKeys() {
    static const std::array<KeyInfo, 22> keys = {{
        {"endpoints", "service", &Endpoints::service, ValueShape::Origin},
        {"endpoints", "update", &Endpoints::update, ValueShape::DirectoryBase},
        {"endpoints", "web", &Endpoints::web, ValueShape::Origin},
        {"endpoints", "semantic", &Endpoints::semantic, ValueShape::Origin},
        {"endpoints", "translate", &Endpoints::translate, ValueShape::Origin},
        {"endpoints", "tts", &Endpoints::tts, ValueShape::Origin},
        {"endpoints", "xf_iat", &Endpoints::xfIat, ValueShape::Address},
        {"endpoints", "sg_token", &Endpoints::sgToken, ValueShape::Address},
        {"endpoints", "sg_stream", &Endpoints::sgStream, ValueShape::Address},
        {"endpoints", "sh_discovery", &Endpoints::shDiscovery, ValueShape::Address},
        {"credentials", "xf_appid", &Endpoints::xfAppId, ValueShape::Secret},
        {"credentials", "xf_api_key", &Endpoints::xfApiKey, ValueShape::Secret},
        {"credentials", "xf_api_secret", &Endpoints::xfApiSecret, ValueShape::Secret},
        {"credentials", "sg_appid", &Endpoints::sgAppId, ValueShape::Secret},
        {"credentials", "sg_appkey", &Endpoints::sgAppKey, ValueShape::Secret},
        {"credentials", "sh_appkey", &Endpoints::shAppKey, ValueShape::Secret},
        {"credentials", "sh_secret", &Endpoints::shSecret, ValueShape::Secret},
        {"credentials", "trans_appid", &Endpoints::transAppId, ValueShape::Secret},
        {"credentials", "trans_salt", &Endpoints::transSalt, ValueShape::Secret},
        {"credentials", "trans_key", &Endpoints::transKey, ValueShape::Secret},
        {"credentials", "semantic_engineid", &Endpoints::semanticEngineId, ValueShape::Secret},
        {"tls", "ca_file", &Endpoints::caFile, ValueShape::Path},
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

// Addresses are checked and normalised; an empty override is allowed and switches the
// service off. Returns false for a value that cannot be an address.
bool ShapeValue(ValueShape shape, std::string& value) {
    if (value.empty() || shape == ValueShape::Secret || shape == ValueShape::Path)
        return true;
    const std::string::size_type scheme = value.find("://");
    if (scheme == std::string::npos || scheme == 0 || scheme + 3 == value.size())
        return false;
    if (shape == ValueShape::Origin) {
        while (value.size() > scheme + 3 && value.back() == '/')
            value.pop_back();
    } else if (shape == ValueShape::DirectoryBase && value.back() != '/') {
        value.push_back('/');
    }
    return true;
}

constexpr qint64 kLargestFile = 64 * 1024;

// Parses the text over `out`. Problems never quote a value: values may be credentials.
bool ParseEndpointsText(const QByteArray& text, Endpoints& out, QString& problem) {
    QByteArray section;
    const QList<QByteArray> lines = text.split('\n');
    for (int index = 0; index < lines.size(); ++index) {
        const QString where = QStringLiteral("line %1: ").arg(index + 1);
        QByteArray line = lines[index].trimmed();
        if (index == 0 && line.startsWith("\xEF\xBB\xBF"))
            line = line.mid(3).trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            if (!line.endsWith(']')) {
                problem = where + QStringLiteral("section header without closing \"]\"");
                return false;
            }
            section = line.mid(1, line.size() - 2).trimmed();
            if (!IsKnownSection(section)) {
                problem = where + QStringLiteral("unknown section [%1]").arg(QString(section));
                return false;
            }
            continue;
        }
        const int equals = line.indexOf('=');
        if (equals < 0) {
            problem = where + QStringLiteral("neither a [section] nor a key = value line");
            return false;
        }
        const QByteArray name = line.left(equals).trimmed();
        if (section.isEmpty()) {
            problem = where + QStringLiteral("key outside of any section");
            return false;
        }
        const KeyInfo* key = FindKey(section, name);
        if (!key) {
            problem =
                where +
                QStringLiteral("unknown key \"%1\" in [%2]").arg(QString(name), QString(section));
            return false;
        }
        std::string value = Unquoted(line.mid(equals + 1).trimmed()).toStdString();
        if (!ShapeValue(key->shape, value)) {
            problem =
                where + QStringLiteral("%1 is not an address (scheme://host)").arg(QString(name));
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
