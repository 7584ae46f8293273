#include "service/CUpdateChecker.h"

#include "service/CHttpClient.h"
#include "service/CSha256.h"
#include "service/FileDownload.h"
#include "service/UpdateFiles.h"

#include <QDir>
#include <QFile>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

struct CUpdateChecker::State {
    explicit State(UpdateLinks l) : links(std::move(l)) {}

    UpdateLinks links;
    // Held around every call of a link, so that the owner's destruction waits for a call in
    // progress and no call starts after it. Recursive: an answer may come back at once on the
    // calling thread.
    std::recursive_mutex lock;
    bool alive = true; // guarded by lock
    // A check runs, and the user asked to see its outcome. Always read and changed together
    // under flagLock: a press that finds a check running relies on that check still being
    // about to look at `asked`, so the check must not take `asked` and end in two steps.
    std::mutex flagLock;
    bool checking = false; // guarded by flagLock
    bool asked = false;    // guarded by flagLock
};

namespace {

using State = CUpdateChecker::State;

constexpr std::size_t kLongestSegment = 31;
constexpr std::int64_t kSmallFileBytes = 64 * 1024;
constexpr std::int64_t kPictureBytes = 4 * 1024 * 1024;
constexpr std::int64_t kPackageBytes = 512LL * 1024 * 1024;
constexpr long kConnectSeconds = 5;
constexpr long kSmallFileSeconds = 30;
// A package may take long on a slow line, but not stall: below 1 KiB/s for 30 s it is given up.
constexpr long kStallBytesPerSecond = 1024;
constexpr long kStallSeconds = 30;

const char kPackageFile[] = "Velmora_.deb";

struct UpdateTexts {
    QString question;
    QString failed;
    QString current;
};

// Only Chinese and English texts exist; every other interface language reads English rather
// than an empty box.
UpdateTexts TextsFor(const QString& uiLanguage) {
    if (uiLanguage == QLatin1String("lan_cn"))
        return {QStringLiteral("软件发现新版本,是否更新？"), QStringLiteral("更新失败！"),
                QStringLiteral("当前软件为最新版本！")};
    return {QStringLiteral("Is the software found a new version, is it updated?"),
            QStringLiteral("Update failed!"),
            QStringLiteral("The current software is the latest version!")};
}

DownloadLimits SmallFileLimits(std::int64_t maxBytes) {
    DownloadLimits limits;
    limits.connectSeconds = kConnectSeconds;
    limits.totalSeconds = kSmallFileSeconds;
    limits.maxBytes = maxBytes;
    return limits;
}

DownloadLimits PackageLimits() {
    DownloadLimits limits;
    limits.connectSeconds = kConnectSeconds;
    limits.totalSeconds = 0;
    limits.maxBytes = kPackageBytes;
    limits.lowSpeedBytes = kStallBytesPerSecond;
    limits.lowSpeedSeconds = kStallSeconds;
    return limits;
}

// The channel name becomes one path segment of the addresses, whatever it holds.
std::string PathSegment(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : text) {
        // ASCII by value: isalnum would follow the locale for bytes above 0x7F.
        const bool letterOrDigit =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (letterOrDigit || c == '-' || c == '_' || c == '.' || c == '~') {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0x0F]);
        }
    }
    return out;
}

using updatefiles::IsBlank;
using updatefiles::Trimmed;

// --- links -------------------------------------------------------------------------------

template <typename Call> void WithLinks(const std::shared_ptr<State>& state, Call call) {
    std::lock_guard<std::recursive_mutex> guard(state->lock);
    if (state->alive)
        call(state->links);
}

void Log(const std::shared_ptr<State>& state, const QString& line) {
    WithLinks(state, [&](UpdateLinks& links) {
        if (links.log)
            links.log(line);
    });
}

void Tell(const std::shared_ptr<State>& state, const QString& text) {
    WithLinks(state, [&](UpdateLinks& links) {
        if (links.tell)
            links.tell(text);
    });
}

// Ends the check; true when the user asked to see its outcome (that wish is used up). A press
// that came before this sees the check running and its wish is returned here; one after it
// starts a check of its own.
bool FinishCheck(const std::shared_ptr<State>& state) {
    std::lock_guard<std::mutex> guard(state->flagLock);
    const bool asked = state->asked;
    state->asked = false;
    state->checking = false;
    return asked;
}

// The question is the outcome every press gets; presses while it is up change nothing.
void ForgetAsked(const std::shared_ptr<State>& state) {
    std::lock_guard<std::mutex> guard(state->flagLock);
    state->asked = false;
}

// --- version and checksum files -----------------------------------------------------------

// The first line of the version file when it is a version text; a server that answers with
// an error page, nothing or binary bytes offers no version.
std::optional<std::string> ReadVersionLine(const QString& path, QString& why) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        why = QStringLiteral("cannot read %1").arg(path);
        return std::nullopt;
    }
    std::optional<std::string> version =
        updatefiles::ParseVersionText(file.read(kSmallFileBytes).toStdString());
    if (!version)
        why = QStringLiteral("the version file holds no version text");
    return version;
}

bool FetchPublishedDigest(const std::string& url, const std::string& fileName, std::string& digest,
                          std::string& why) {
    std::string body;
    const DownloadResult result = CHttpClient::Download(
        url,
        [&body](const char* data, std::size_t size) {
            body.append(data, size);
            return true;
        },
        SmallFileLimits(kSmallFileBytes));
    if (result.status != DownloadStatus::Complete) {
        why = "checksum file: " + result.error;
        return false;
    }
    const std::optional<std::string> listed = updatefiles::FindListedDigest(body, fileName);
    if (!listed) {
        why = "the checksum file lists no SHA-256 for " + fileName;
        return false;
    }
    digest = *listed;
    return true;
}

// The package lands under its name only when it matches the published digest.
bool FetchVerifiedPackage(const std::string& channelUrl, const std::string& channel,
                          const QString& packagePath, std::string& why) {
    const std::string packageName = channel + ".deb";
    std::string expected;
    if (!FetchPublishedDigest(channelUrl + PathSegment(packageName) + ".sha256", packageName,
                              expected, why))
        return false;
    CSha256 digest;
    FileDownloadChecks checks;
    checks.observe = [&digest](const char* data, std::size_t size) { digest.Update(data, size); };
    checks.accept = [&](const QString&, std::string& refusal) {
        if (digest.FinalHex() == expected)
            return true;
        refusal = "the package does not match its published SHA-256";
        return false;
    };
    return DownloadToFile(channelUrl + PathSegment(packageName), packagePath, PackageLimits(),
                          checks, why);
}

// --- the check ----------------------------------------------------------------------------

void AnswerQuestion(const std::shared_ptr<State>& state, bool install, const QString& fileUrl) {
    WithLinks(state, [&](UpdateLinks& links) {
        if (!install)
            return; // the package stays until the next check
        if (links.openPackage && links.openPackage(fileUrl)) {
            if (links.log)
                links.log(QStringLiteral("update check: package handed to the installer"));
            if (links.quit)
                links.quit();
        } else if (links.log) {
            links.log(QStringLiteral("update check: the desktop did not take the package"));
        }
    });
    FinishCheck(state);
}

void AskToInstall(const std::shared_ptr<State>& state, const QString& question,
                  const QString& packagePath) {
    const QString fileUrl = QUrl::fromLocalFile(packagePath).toString(QUrl::FullyEncoded);
    bool asking = false;
    WithLinks(state, [&](UpdateLinks& links) {
        if (!links.ask)
            return;
        asking = true;
        links.ask(question,
                  [state, fileUrl](bool install) { AnswerQuestion(state, install, fileUrl); });
    });
    if (!asking)
        FinishCheck(state);
}

// The outcome of a check whose version file was read; ends the check unless the user is
// being asked, in which case the answer ends it.
void ActOnServerVersion(const std::shared_ptr<State>& state, const UpdateSettings& settings,
                        const std::string& serverVersion, const std::string& channelUrl) {
    const UpdateTexts texts = TextsFor(settings.uiLanguage);
    const std::optional<int> order =
        CUpdateChecker::CompareVersions(serverVersion, settings.clientVersion);
    if (!order) {
        Log(state, QStringLiteral("update check: version with a segment over %1 characters "
                                  "refused")
                       .arg(kLongestSegment));
        FinishCheck(state);
        return;
    }
    if (*order != 1) {
        if (FinishCheck(state))
            Tell(state, texts.current);
        return;
    }
    const QString packagePath = settings.downloadFolder + QLatin1String(kPackageFile);
    std::string why;
    if (!FetchVerifiedPackage(channelUrl, settings.channelName, packagePath, why)) {
        Log(state, QStringLiteral("update check: package download failed: %1")
                       .arg(QString::fromStdString(why)));
        if (FinishCheck(state))
            Tell(state, texts.failed);
        return;
    }
    ForgetAsked(state);
    AskToInstall(state, texts.question, packagePath);
}

void RunUpdateCheck(const std::shared_ptr<State>& state, const UpdateSettings& settings) {
    // The package of an earlier check is gone whatever this check finds.
    const QString packagePath = settings.downloadFolder + QLatin1String(kPackageFile);
    QFile::remove(packagePath);
    QFile::remove(packagePath + QStringLiteral(".part"));
    if (!QDir().mkpath(settings.resourceFolder)) {
        Log(state, QStringLiteral("update check: cannot create %1").arg(settings.resourceFolder));
        FinishCheck(state);
        return;
    }
    const std::string channelUrl = settings.updateBase + PathSegment(settings.channelName) + "/";
    const QString versionPath = settings.resourceFolder + QStringLiteral("update.ini");
    std::string error;
    if (!DownloadToFile(channelUrl + "update.txt", versionPath, SmallFileLimits(kSmallFileBytes),
                        {}, error)) {
        Log(state, QStringLiteral("update check: version file not downloaded: %1")
                       .arg(QString::fromStdString(error)));
        FinishCheck(state);
        return;
    }
    QString why;
    const std::optional<std::string> serverVersion = ReadVersionLine(versionPath, why);
    QFile::remove(versionPath);
    if (!serverVersion) {
        Log(state, QStringLiteral("update check: %1").arg(why));
        FinishCheck(state);
        return;
    }
    ActOnServerVersion(state, settings, *serverVersion, channelUrl);
}

bool HasPngSignature(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(8) == QByteArray("\x89PNG\r\n\x1A\n", 8);
}

void RunContactRefresh(const std::shared_ptr<State>& state, const UpdateSettings& settings) {
    const QString folder = settings.resourceFolder + QStringLiteral("contact/");
    if (!QDir().mkpath(folder)) {
        Log(state, QStringLiteral("contact picture: cannot create %1").arg(folder));
        return;
    }
    FileDownloadChecks checks;
    checks.accept = [](const QString& partPath, std::string& why) {
        if (HasPngSignature(partPath))
            return true;
        why = "not a PNG picture";
        return false;
    };
    const std::string url =
        settings.updateBase + PathSegment(settings.channelName) + "/contact.png";
    std::string error;
    if (!DownloadToFile(url, folder + QStringLiteral("contact.png"), SmallFileLimits(kPictureBytes),
                        checks, error))
        Log(state,
            QStringLiteral("contact picture not refreshed: %1").arg(QString::fromStdString(error)));
}

template <typename Work> bool StartDetached(const std::shared_ptr<State>& state, Work work) {
    try {
        std::thread(std::move(work)).detach();
        return true;
    } catch (const std::system_error& e) {
        Log(state, QStringLiteral("update: cannot start a thread: %1").arg(e.what()));
        return false;
    }
}

// --- version comparison --------------------------------------------------------------------

// A segment's integer value, kept as text so that long numbers compare exactly: leading
// blanks, an optional sign, then digits up to the first other character (none: 0).
struct SegmentNumber {
    bool negative = false;
    std::string digits; // no leading zeros; empty for 0
};

SegmentNumber ReadSegmentNumber(const std::string& segment) {
    SegmentNumber number;
    std::size_t i = 0;
    while (i < segment.size() && IsBlank(segment[i]))
        ++i;
    if (i < segment.size() && (segment[i] == '+' || segment[i] == '-'))
        number.negative = segment[i++] == '-';
    while (i < segment.size() && segment[i] == '0')
        ++i;
    while (i < segment.size() && std::isdigit(static_cast<unsigned char>(segment[i])))
        number.digits.push_back(segment[i++]);
    if (number.digits.empty())
        number.negative = false;
    return number;
}

int CompareMagnitudes(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return a.size() > b.size() ? 1 : -1;
    const int order = a.compare(b);
    return order > 0 ? 1 : (order < 0 ? -1 : 0);
}

int CompareSegments(const std::string& a, const std::string& b) {
    const SegmentNumber x = ReadSegmentNumber(a);
    const SegmentNumber y = ReadSegmentNumber(b);
    if (x.negative != y.negative)
        return x.negative ? -1 : 1;
    const int magnitude = CompareMagnitudes(x.digits, y.digits);
    return x.negative ? -magnitude : magnitude;
}

// The rest of a version as a decimal number, read with "." as the decimal point whatever the
// locale; what does not form a number counts as 0.
double ReadRestNumber(const std::string& rest) {
    std::size_t i = 0;
    while (i < rest.size() && IsBlank(rest[i]))
        ++i;
    if (i < rest.size() && rest[i] == '+')
        ++i;
    double value = 0.0;
    const std::from_chars_result parsed = std::from_chars(
        rest.data() + i, rest.data() + rest.size(), value, std::chars_format::fixed);
    return parsed.ec == std::errc() ? value : 0.0;
}

// Takes the next segment from position `at`: a "." right there is stepped over and gives an
// empty segment; otherwise the text up to the "." is the segment and `at` stops on the ".".
std::string NextSegment(const std::string& text, std::size_t& at, std::size_t dot) {
    if (dot == at) {
        ++at;
        return std::string();
    }
    std::string segment = text.substr(at, dot - at);
    at = dot;
    return segment;
}

} // namespace

CUpdateChecker::CUpdateChecker(UpdateLinks links)
    : m_state(std::make_shared<State>(std::move(links))) {}

CUpdateChecker::~CUpdateChecker() {
    std::lock_guard<std::recursive_mutex> guard(m_state->lock);
    m_state->alive = false;
}

bool CUpdateChecker::StartUpdateCheck(bool asked) {
    {
        std::lock_guard<std::mutex> guard(m_state->flagLock);
        if (m_state->checking) {
            m_state->asked = m_state->asked || asked;
            return false;
        }
        m_state->checking = true;
        m_state->asked = asked;
    }
    UpdateSettings settings;
    WithLinks(m_state, [&](UpdateLinks& links) {
        if (links.settings)
            settings = links.settings();
    });
    const bool started =
        StartDetached(m_state, [state = m_state, settings] { RunUpdateCheck(state, settings); });
    if (!started)
        FinishCheck(m_state);
    return started;
}

void CUpdateChecker::StartContactRefresh() {
    UpdateSettings settings;
    WithLinks(m_state, [&](UpdateLinks& links) {
        if (links.settings)
            settings = links.settings();
    });
    StartDetached(m_state, [state = m_state, settings] { RunContactRefresh(state, settings); });
}

bool CUpdateChecker::IsChecking() const {
    std::lock_guard<std::mutex> guard(m_state->flagLock);
    return m_state->checking;
}

std::optional<int> CUpdateChecker::CompareVersions(const std::string& a, const std::string& b) {
    std::size_t atA = 0;
    std::size_t atB = 0;
    while (atA < a.size() && atB < b.size()) {
        const std::size_t dotA = a.find('.', atA);
        const std::size_t dotB = b.find('.', atB);
        if (dotA == std::string::npos || dotB == std::string::npos)
            break;
        const std::string segmentA = NextSegment(a, atA, dotA);
        const std::string segmentB = NextSegment(b, atB, dotB);
        if (segmentA.size() > kLongestSegment || segmentB.size() > kLongestSegment)
            return std::nullopt;
        if (const int order = CompareSegments(segmentA, segmentB); order != 0)
            return order;
    }
    const std::string restA = Trimmed(a.substr(std::min(atA, a.size())));
    const std::string restB = Trimmed(b.substr(std::min(atB, b.size())));
    if (restA.size() > kLongestSegment || restB.size() > kLongestSegment)
        return std::nullopt;
    const double x = ReadRestNumber(restA);
    const double y = ReadRestNumber(restB);
    return x > y ? 1 : (x < y ? -1 : 0);
}
