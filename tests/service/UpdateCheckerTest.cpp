// The update check and the contact picture against a local update server over real sockets.
#include "service/CSha256.h"
#include "service/CUpdateChecker.h"

#include "TestPki.h"
#include "support/LocalHttpServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using testsupport::HttpReply;
using testsupport::LocalHttpServer;

namespace {

constexpr auto kHangGuard = std::chrono::seconds(30);

const char kChannel[] = "velmora";
const char kVersionTarget[] = "/velmora/update.txt";
const char kPackageTarget[] = "/velmora/velmora.deb";
const char kChecksumTarget[] = "/velmora/velmora.deb.sha256";
const char kPictureTarget[] = "/velmora/contact.png";

const QString kFailed = QStringLiteral("Update failed!");
const QString kCurrent = QStringLiteral("The current software is the latest version!");
const QString kQuestion = QStringLiteral("Is the software found a new version, is it updated?");

std::string Sha256Of(const std::string& bytes) {
    CSha256 digest;
    digest.Update(bytes.data(), bytes.size());
    return digest.FinalHex();
}

std::string PackageBytes() {
    std::string bytes = "!<arch>\ndebian-binary   ";
    for (int i = 0; i < 70000; ++i)
        bytes.push_back(static_cast<char>(i * 7 + (i >> 8)));
    return bytes;
}

std::string ChecksumLine(const std::string& bytes, const std::string& name = "velmora.deb") {
    return Sha256Of(bytes) + "  " + name + "\n";
}

std::string PngBytes(char fill) {
    return std::string("\x89PNG\r\n\x1A\n", 8) + std::string(300, fill);
}

std::string ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

void WriteFile(const QString& path, const std::string& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

// Everything the checker asked of the program, with waits on it.
class Recorder {
public:
    enum class Answer { Ok, Cancel };

    UpdateLinks Links(std::function<UpdateSettings()> settings) {
        UpdateLinks links;
        links.settings = std::move(settings);
        links.log = [this](const QString& line) { Add(m_logs, line); };
        links.tell = [this](const QString& text) { Add(m_told, text); };
        links.ask = [this](const QString& text, std::function<void(bool)> onAnswer) {
            Add(m_asked, text);
            onAnswer(m_answer == Answer::Ok);
        };
        links.openPackage = [this](const QString& url) {
            Add(m_opened, url);
            return m_openSucceeds.load();
        };
        links.quit = [this] { Add(m_quits, QStringLiteral("quit")); };
        return links;
    }

    void SetAnswer(Answer answer) { m_answer = answer; }
    void SetOpenSucceeds(bool succeeds) { m_openSucceeds = succeeds; }

    bool WaitForLogs(size_t count) {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, kHangGuard, [&] { return m_logs.size() >= count; });
    }

    bool WaitForTold(size_t count) {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, kHangGuard, [&] { return m_told.size() >= count; });
    }

    std::vector<QString> Logs() const { return Copy(m_logs); }
    std::vector<QString> Told() const { return Copy(m_told); }
    std::vector<QString> Asked() const { return Copy(m_asked); }
    std::vector<QString> Opened() const { return Copy(m_opened); }
    size_t Quits() const { return Copy(m_quits).size(); }

private:
    void Add(std::vector<QString>& list, const QString& text) {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            list.push_back(text);
        }
        m_changed.notify_all();
    }
    std::vector<QString> Copy(const std::vector<QString>& list) const {
        std::lock_guard<std::mutex> lock(m_lock);
        return list;
    }

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<QString> m_logs, m_told, m_asked, m_opened, m_quits;
    std::atomic<Answer> m_answer{Answer::Ok};
    std::atomic<bool> m_openSucceeds{true};
};

class UpdateCheck : public testing::Test {
protected:
    UpdateCheck()
        : m_server(HttpReply(404)), m_checker(m_recorder.Links([this] {
              UpdateSettings s;
              s.updateBase = m_server.Origin() + "/";
              s.channelName = kChannel;
              s.clientVersion = "1.0.0";
              s.uiLanguage = m_uiLanguage;
              s.resourceFolder = m_dir.filePath(QStringLiteral("home/skin/Orvanta/"));
              s.downloadFolder = m_downloadFolder;
              return s;
          })) {}

    QString ResourceFolder() const { return m_dir.filePath(QStringLiteral("home/skin/Orvanta/")); }
    QString PackagePath() const { return m_downloadFolder + QStringLiteral("Velmora_.deb"); }
    QString PicturePath() const { return ResourceFolder() + QStringLiteral("contact/contact.png"); }

    void ServeNewerPackage(const std::string& bytes, const std::string& checksumFile) {
        m_server.SetRoute(kVersionTarget, HttpReply(200, "1.0.1\r\n"));
        m_server.SetRoute(kChecksumTarget, HttpReply(200, checksumFile));
        m_server.SetRoute(kPackageTarget, HttpReply(200, bytes));
    }

    // Runs one check to its end (question answered included).
    void RunCheck(bool asked) {
        ASSERT_TRUE(m_checker.StartUpdateCheck(asked));
        WaitUntilIdle();
    }
    void WaitUntilIdle() {
        const auto deadline = std::chrono::steady_clock::now() + kHangGuard;
        while (m_checker.IsChecking() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_FALSE(m_checker.IsChecking());
    }

    QTemporaryDir m_dir;
    QString m_downloadFolder = m_dir.filePath(QStringLiteral("cwd/"));
    QString m_uiLanguage = QStringLiteral("lan_en");
    LocalHttpServer m_server;
    Recorder m_recorder;
    CUpdateChecker m_checker;
};

TEST_F(UpdateCheck, NewerVersionWithMatchingChecksumAsksThenHandsThePackageOverAndQuits) {
    QDir().mkpath(m_downloadFolder);
    const std::string package = PackageBytes();
    ServeNewerPackage(package, ChecksumLine(package));

    RunCheck(false);

    EXPECT_EQ(m_server.Targets(),
              (std::vector<std::string>{kVersionTarget, kChecksumTarget, kPackageTarget}));
    for (const testsupport::HttpRequest& request : m_server.Requests())
        EXPECT_EQ(request.Header("Cache-Control"), "no-cache") << request.target;
    EXPECT_EQ(m_recorder.Asked(), std::vector<QString>{kQuestion});
    EXPECT_EQ(m_recorder.Opened(),
              std::vector<QString>{QUrl::fromLocalFile(PackagePath()).toString()});
    EXPECT_EQ(m_recorder.Quits(), 1u);
    EXPECT_EQ(ReadFile(PackagePath()), package);
    EXPECT_EQ(QFileInfo(PackagePath()).permissions() &
                  (QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther | QFile::ExeUser),
              QFile::Permissions());
    EXPECT_FALSE(QFile::exists(PackagePath() + ".part"));
    EXPECT_FALSE(QFile::exists(ResourceFolder() + "update.ini"));
    EXPECT_TRUE(m_recorder.Told().empty());
}

TEST_F(UpdateCheck, CancelKeepsThePackageUntilTheNextCheck) {
    QDir().mkpath(m_downloadFolder);
    const std::string package = PackageBytes();
    ServeNewerPackage(package, ChecksumLine(package));
    m_recorder.SetAnswer(Recorder::Answer::Cancel);

    RunCheck(true);
    EXPECT_EQ(m_recorder.Asked().size(), 1u);
    EXPECT_TRUE(m_recorder.Opened().empty());
    EXPECT_EQ(m_recorder.Quits(), 0u);
    EXPECT_EQ(ReadFile(PackagePath()), package);

    m_server.SetRoute(kVersionTarget, HttpReply(200, "1.0.0"));
    RunCheck(false);
    EXPECT_FALSE(QFile::exists(PackagePath()));
}

TEST_F(UpdateCheck, AHandOverTheDesktopRefusesKeepsTheProgramRunning) {
    QDir().mkpath(m_downloadFolder);
    const std::string package = PackageBytes();
    ServeNewerPackage(package, ChecksumLine(package));
    m_recorder.SetOpenSucceeds(false);

    RunCheck(true);

    EXPECT_EQ(m_recorder.Opened().size(), 1u);
    EXPECT_EQ(m_recorder.Quits(), 0u);
    EXPECT_TRUE(m_recorder.Told().empty());
}

struct PackageFault {
    const char* name;
    std::function<void(LocalHttpServer&, const std::string& package)> serve;
};

class PackageFaults : public UpdateCheck, public testing::WithParamInterface<PackageFault> {};

// A package that cannot be trusted is a failed download: nothing left on disk, one log line,
// the failure text only for an asked check, never the question.
TEST_P(PackageFaults, FailWithoutQuestionOrFile) {
    QDir().mkpath(m_downloadFolder);
    const std::string package = PackageBytes();
    ServeNewerPackage(package, ChecksumLine(package));
    GetParam().serve(m_server, package);

    for (const bool asked : {false, true}) {
        SCOPED_TRACE(asked ? "asked" : "at start-up");
        const size_t logsBefore = m_recorder.Logs().size();
        RunCheck(asked);
        EXPECT_TRUE(m_recorder.Asked().empty());
        EXPECT_FALSE(QFile::exists(PackagePath()));
        EXPECT_FALSE(QFile::exists(PackagePath() + ".part"));
        ASSERT_EQ(m_recorder.Logs().size(), logsBefore + 1);
        EXPECT_TRUE(m_recorder.Logs().back().contains("package download failed"))
            << m_recorder.Logs().back().toStdString();
        EXPECT_EQ(m_recorder.Told(),
                  asked ? std::vector<QString>{kFailed} : std::vector<QString>{});
    }
}

const std::string kOtherDigest(64, 'a');

INSTANTIATE_TEST_SUITE_P(
    UpdateChecker, PackageFaults,
    testing::Values(
        PackageFault{"WrongChecksum",
                     [](LocalHttpServer& s, const std::string&) {
                         s.SetRoute(kChecksumTarget,
                                    HttpReply(200, kOtherDigest + "  velmora.deb\n"));
                     }},
        PackageFault{"ChecksumFileMissing",
                     [](LocalHttpServer& s, const std::string&) {
                         s.SetRoute(kChecksumTarget, HttpReply(404, "not here"));
                     }},
        PackageFault{"ChecksumFileEmpty",
                     [](LocalHttpServer& s, const std::string&) {
                         s.SetRoute(kChecksumTarget, HttpReply(200, ""));
                     }},
        PackageFault{"ChecksumNotHex",
                     [](LocalHttpServer& s, const std::string&) {
                         s.SetRoute(kChecksumTarget,
                                    HttpReply(200, std::string(64, 'z') + "  velmora.deb\n"));
                     }},
        PackageFault{"ChecksumTooShort",
                     [](LocalHttpServer& s, const std::string& p) {
                         s.SetRoute(kChecksumTarget,
                                    HttpReply(200, Sha256Of(p).substr(1) + "  velmora.deb\n"));
                     }},
        PackageFault{"ChecksumOfAnotherFile",
                     [](LocalHttpServer& s, const std::string& p) {
                         s.SetRoute(kChecksumTarget, HttpReply(200, ChecksumLine(p, "other.deb")));
                     }},
        PackageFault{"ChecksumFileOversized",
                     [](LocalHttpServer& s, const std::string& p) {
                         s.SetRoute(kChecksumTarget,
                                    HttpReply(200, ChecksumLine(p) + std::string(70000, '\n')));
                     }},
        PackageFault{"PackageMissing",
                     [](LocalHttpServer& s, const std::string&) {
                         s.SetRoute(kPackageTarget, HttpReply(404, "<html>gone</html>"));
                     }},
        PackageFault{"PackageIsAnErrorPage",
                     [](LocalHttpServer& s, const std::string&) {
                         s.SetRoute(kPackageTarget, HttpReply(200, "<html>maintenance</html>"));
                     }},
        PackageFault{"PackageCutShort",
                     [](LocalHttpServer& s, const std::string& p) {
                         s.SetRoute(kPackageTarget, HttpReply::CutShort(p, p.size() / 2));
                     }},
        PackageFault{"TooManyRedirects",
                     [](LocalHttpServer& s, const std::string&) {
                         for (int i = 0; i < 4; ++i)
                             s.SetRoute(
                                 i == 0 ? std::string(kPackageTarget) : "/hop" + std::to_string(i),
                                 HttpReply(302, "",
                                           "Location: /hop" + std::to_string(i + 1) + "\r\n"));
                     }}),
    [](const testing::TestParamInfo<PackageFault>& info) { return std::string(info.param.name); });

TEST_F(UpdateCheck, FollowsUpToThreeRedirects) {
    QDir().mkpath(m_downloadFolder);
    const std::string package = PackageBytes();
    ServeNewerPackage(package, ChecksumLine(package));
    // Redirect pages carry a body of their own, which must not end up in the package.
    for (int i = 0; i < 3; ++i)
        m_server.SetRoute(i == 0 ? std::string(kPackageTarget) : "/hop" + std::to_string(i),
                          HttpReply(302, "<html>moved</html>",
                                    "Location: /hop" + std::to_string(i + 1) + "\r\n"));
    m_server.SetRoute("/hop3", HttpReply(200, package));

    RunCheck(false);

    EXPECT_EQ(m_recorder.Asked().size(), 1u);
    EXPECT_EQ(ReadFile(PackagePath()), package);
}

TEST_F(UpdateCheck, AFolderThatCannotTakeThePackageFailsTheDownload) {
    // A plain file where the folder should be refuses every new file, even to root.
    m_downloadFolder = m_dir.filePath(QStringLiteral("not-a-folder/"));
    WriteFile(m_dir.filePath(QStringLiteral("not-a-folder")), "x");
    const std::string package = PackageBytes();
    ServeNewerPackage(package, ChecksumLine(package));

    RunCheck(true);

    EXPECT_TRUE(m_recorder.Asked().empty());
    EXPECT_EQ(m_recorder.Told(), std::vector<QString>{kFailed});
    ASSERT_EQ(m_recorder.Logs().size(), 1u);
    EXPECT_TRUE(m_recorder.Logs()[0].contains("cannot create the download file"));
}

struct VersionFileFault {
    const char* name;
    HttpReply reply;
};

class VersionFileFaults : public UpdateCheck,
                          public testing::WithParamInterface<VersionFileFault> {};

// Whatever the version file holds, a bad one is silent even when asked: one log line, no
// package request, no box, and no update.ini left behind.
TEST_P(VersionFileFaults, StaySilentAndFetchNoPackage) {
    m_server.SetRoute(kVersionTarget, GetParam().reply);
    m_server.SetRoute(kChecksumTarget, HttpReply(200, kOtherDigest + "  velmora.deb\n"));

    RunCheck(true);

    EXPECT_EQ(m_server.Targets(), std::vector<std::string>{kVersionTarget});
    EXPECT_TRUE(m_recorder.Told().empty());
    EXPECT_TRUE(m_recorder.Asked().empty());
    EXPECT_EQ(m_recorder.Logs().size(), 1u);
    EXPECT_FALSE(QFile::exists(ResourceFolder() + "update.ini"));
    EXPECT_FALSE(QFile::exists(ResourceFolder() + "update.ini.part"));
}

INSTANTIATE_TEST_SUITE_P(
    UpdateChecker, VersionFileFaults,
    testing::Values(
        VersionFileFault{"Missing", HttpReply(404, "9.9.9")},
        VersionFileFault{"Empty", HttpReply(200, "")},
        VersionFileFault{"Binary", HttpReply(200, std::string("\x00\xFF\x01\x02", 4))},
        VersionFileFault{"ErrorPage", HttpReply(200, "<html>9.9.9</html>")},
        VersionFileFault{"SegmentOver31", HttpReply(200, "1.0." + std::string(40, '9') + "\n")},
        VersionFileFault{"Oversized", HttpReply(200, "9.9.9\n" + std::string(70000, 'x'))},
        VersionFileFault{"CutShort", HttpReply::CutShort("9.9.9\n" + std::string(100, ' '), 3)}),
    [](const testing::TestParamInfo<VersionFileFault>& info) {
        return std::string(info.param.name);
    });

struct CurrentTextCase {
    const char* uiLanguage;
    const char* text;
};

class CurrentTexts : public UpdateCheck, public testing::WithParamInterface<CurrentTextCase> {};

TEST_P(CurrentTexts, EqualVersionsAskedShowTheCurrentTextInTheUiLanguage) {
    m_uiLanguage = QString::fromUtf8(GetParam().uiLanguage);
    m_server.SetRoute(kVersionTarget, HttpReply(200, "1.0.0\n"));

    RunCheck(true);

    EXPECT_EQ(m_recorder.Told(), std::vector<QString>{QString::fromUtf8(GetParam().text)});
    EXPECT_EQ(m_server.Targets(), std::vector<std::string>{kVersionTarget});
    EXPECT_FALSE(QFile::exists(ResourceFolder() + "update.ini"));
}

INSTANTIATE_TEST_SUITE_P(
    UpdateChecker, CurrentTexts,
    testing::Values(CurrentTextCase{"lan_cn", "当前软件为最新版本！"},
                    CurrentTextCase{"lan_en", "The current software is the latest version!"},
                    CurrentTextCase{"lan_jp", "The current software is the latest version!"},
                    CurrentTextCase{"lan_cht", "The current software is the latest version!"}));

TEST_F(UpdateCheck, QuestionAndFailureSpeakChinese) {
    m_uiLanguage = QStringLiteral("lan_cn");
    QDir().mkpath(m_downloadFolder);
    const std::string package = PackageBytes();
    ServeNewerPackage(package, ChecksumLine(package));
    m_recorder.SetAnswer(Recorder::Answer::Cancel);
    RunCheck(true);
    EXPECT_EQ(m_recorder.Asked(),
              std::vector<QString>{QStringLiteral("软件发现新版本,是否更新？")});

    m_server.SetRoute(kPackageTarget, HttpReply(404));
    RunCheck(true);
    EXPECT_EQ(m_recorder.Told(), std::vector<QString>{QStringLiteral("更新失败！")});
}

TEST_F(UpdateCheck, OlderOrEqualAtStartUpShowsNothing) {
    m_server.SetRoute(kVersionTarget, HttpReply(200, "0.9.9"));
    RunCheck(false);
    EXPECT_TRUE(m_recorder.Told().empty());
    EXPECT_EQ(m_server.Targets(), std::vector<std::string>{kVersionTarget});
}

// A server that never answers holds only the worker: the start returns at once, a second
// start is refused while the first runs, and nothing is shown.
TEST_F(UpdateCheck, AHangingServerNeverHoldsTheCaller) {
    auto hanging = std::make_unique<LocalHttpServer>(HttpReply::Never());
    const std::string origin = hanging->Origin();
    UpdateLinks links = m_recorder.Links([&] {
        UpdateSettings s;
        s.updateBase = origin + "/";
        s.channelName = kChannel;
        s.clientVersion = "1.0.0";
        s.resourceFolder = ResourceFolder();
        s.downloadFolder = m_downloadFolder;
        return s;
    });
    CUpdateChecker checker(std::move(links));

    ASSERT_TRUE(checker.StartUpdateCheck(false));
    ASSERT_TRUE(hanging->WaitForRequests(1, kHangGuard));
    EXPECT_TRUE(checker.IsChecking());
    EXPECT_FALSE(checker.StartUpdateCheck(true));
    EXPECT_TRUE(m_recorder.Told().empty());

    hanging.reset(); // the server goes away: the transfer fails
    ASSERT_TRUE(m_recorder.WaitForLogs(1));
    EXPECT_TRUE(m_recorder.Logs()[0].contains("version file not downloaded"));
    EXPECT_TRUE(m_recorder.Told().empty());
}

// An update press while a check nobody asked for is ending must be answered: either the
// running check still sees the press and shows its outcome, or the press finds no check and
// starts its own. The press once could land after the check had read the user's wish and
// before it ended, and was then turned away with no answer at all. Presses here land at many
// points around the end of the check.
TEST_F(UpdateCheck, APressWhileACheckEndsIsAlwaysAnswered) {
    m_server.SetRoute(kVersionTarget, HttpReply(200, "1.0.0\n"));
    constexpr int kRounds = 300;
    int joined = 0;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        const size_t requests = m_server.Requests().size();
        const size_t told = m_recorder.Told().size();
        ASSERT_TRUE(m_checker.StartUpdateCheck(false));
        bool pressStarted = false;
        std::thread user([&] {
            // From the moment the server has the request, a press after 0 to ~1.5 ms.
            if (!m_server.WaitForRequests(requests + 1, kHangGuard))
                return;
            const auto until =
                std::chrono::steady_clock::now() + std::chrono::microseconds((round * 37) % 1500);
            while (std::chrono::steady_clock::now() < until) {
            }
            pressStarted = m_checker.StartUpdateCheck(true);
        });
        user.join();
        joined += pressStarted ? 0 : 1;
        ASSERT_TRUE(m_recorder.WaitForTold(told + 1)) << "the press got no answer";
        WaitUntilIdle();
        EXPECT_EQ(m_recorder.Told().size(), told + 1);
    }
    EXPECT_EQ(m_recorder.Told(), std::vector<QString>(kRounds, kCurrent));
    // How often the press came while the check still ran (the rest started their own).
    RecordProperty("pressesJoiningTheRunningCheck", joined);
}

TEST_F(UpdateCheck, ContactPictureLandsByteForByteInACreatedFolder) {
    const std::string picture = PngBytes('a');
    m_server.SetRoute(kPictureTarget, HttpReply(200, picture));

    m_checker.StartContactRefresh();

    const auto deadline = std::chrono::steady_clock::now() + kHangGuard;
    while (ReadFile(PicturePath()) != picture && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(ReadFile(PicturePath()), picture);
    EXPECT_EQ(m_server.Targets(), std::vector<std::string>{kPictureTarget});
    EXPECT_EQ(m_server.Requests()[0].Header("Cache-Control"), "no-cache");
}

// Downloads trust what the service calls trust: the system store plus the configured CA, for
// the right host name only.
TEST_F(UpdateCheck, VerifiesTlsPeersLikeTheServiceCalls) {
    const TestPki& pki = SharedPki();
    ASSERT_FALSE(pki.directory.empty());
    struct TlsCase {
        const char* name;
        bool strangerCert;
        bool lands;
    };
    const std::string picture = PngBytes('t');
    for (const TlsCase& c : {TlsCase{"issued by the configured CA", false, true},
                             TlsCase{"issued by an unknown CA", true, false}}) {
        SCOPED_TRACE(c.name);
        QFile::remove(PicturePath());
        LocalHttpServer tls(HttpReply(200, picture),
                            c.strangerCert ? pki.strangerCert : pki.trustedCert,
                            c.strangerCert ? pki.strangerKey : pki.trustedKey);
        Recorder recorder;
        CUpdateChecker checker(recorder.Links([&] {
            UpdateSettings s;
            s.updateBase = tls.Origin("localhost") + "/";
            s.channelName = kChannel;
            s.resourceFolder = ResourceFolder();
            return s;
        }));
        checker.StartContactRefresh();
        if (c.lands) {
            const auto deadline = std::chrono::steady_clock::now() + kHangGuard;
            while (ReadFile(PicturePath()) != picture &&
                   std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            EXPECT_EQ(ReadFile(PicturePath()), picture);
        } else {
            ASSERT_TRUE(recorder.WaitForLogs(1));
            EXPECT_FALSE(QFile::exists(PicturePath()));
            EXPECT_TRUE(tls.Requests().empty());
        }
    }
}

struct PictureFault {
    const char* name;
    HttpReply reply;
};

class PictureFaults : public UpdateCheck, public testing::WithParamInterface<PictureFault> {};

TEST_P(PictureFaults, KeepTheOldPicture) {
    const std::string old = PngBytes('o');
    WriteFile(PicturePath(), old);
    m_server.SetRoute(kPictureTarget, GetParam().reply);

    m_checker.StartContactRefresh();

    ASSERT_TRUE(m_recorder.WaitForLogs(1));
    EXPECT_TRUE(m_recorder.Logs()[0].contains("contact picture not refreshed"));
    EXPECT_EQ(ReadFile(PicturePath()), old);
    EXPECT_FALSE(QFile::exists(PicturePath() + ".part"));
}

INSTANTIATE_TEST_SUITE_P(
    UpdateChecker, PictureFaults,
    testing::Values(PictureFault{"Missing", HttpReply(404, PngBytes('n'))},
                    PictureFault{"ErrorPage", HttpReply(200, "<html>not found</html>")},
                    PictureFault{"CutShort", HttpReply::CutShort(PngBytes('n'), 100)},
                    PictureFault{
                        "Oversized",
                        HttpReply(200, PngBytes('n') + std::string(4 * 1024 * 1024, 'n'))}),
    [](const testing::TestParamInfo<PictureFault>& info) { return std::string(info.param.name); });

} // namespace
