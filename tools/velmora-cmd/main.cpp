// velmora-cmd: runs the voice-search dispatcher once on a sentence, with the program home's
// settings and endpoints and the same platform layer as velmora (the simulator's when
// VELMORA_SIMULATOR is set), and prints every action it takes.
#include "app/CConfig.h"
#include "app/IniFile.h"
#include "commands/CCmdManager.h"
#include "platform/NetworkPresence.h"
#include "platform/ProgramHome.h"
#include "service/Endpoints.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaObject>

#include <curl/curl.h>

#include <atomic>
#include <iostream>
#include <memory>
#include <optional>
#include <thread>

namespace {

constexpr int kExitOpened = 0;
constexpr int kExitNothingOpened = 1;
constexpr int kExitBadInput = 2;

const char kUsage[] =
    "usage: velmora-cmd [--device mouse|pen|recorder] [--fetch] SENTENCE\n"
    "  --device KIND  whose custom commands and search engine apply (default mouse)\n"
    "  --fetch        first download that device's custom command list\n"
    "Exits 0 when something was opened, 1 when nothing was.\n";

struct Options {
    int deviceKind = 0;
    bool fetch = false;
    std::string sentence;
};

std::optional<int> ParseArguments(int argc, char** argv, Options& options) {
    bool haveSentence = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::cout << kUsage;
            return kExitOpened;
        }
        if (argument == "--fetch") {
            options.fetch = true;
        } else if (argument == "--device" && i + 1 < argc) {
            const std::string kind = argv[++i];
            if (kind != "mouse" && kind != "pen" && kind != "recorder") {
                std::cerr << "velmora-cmd: unknown device " << kind << "\n" << kUsage;
                return kExitBadInput;
            }
            options.deviceKind = kind == "mouse" ? 0 : kind == "pen" ? 1 : 2;
        } else if (haveSentence || argument.rfind("--", 0) == 0) {
            std::cerr << "velmora-cmd: unexpected argument " << argument << "\n" << kUsage;
            return kExitBadInput;
        } else {
            options.sentence = argument;
            haveSentence = true;
        }
    }
    if (!haveSentence) {
        std::cerr << kUsage;
        return kExitBadInput;
    }
    return std::nullopt;
}

// The device values live in custom.ini, where the program stores them for the device it
// reads; the settings object does not load them.
DeviceIdentity IdentityFromFile(int deviceKind) {
    DeviceIdentity identity;
    identity.deviceKind = deviceKind;
    if (deviceKind != 0 && deviceKind != 1)
        return identity;
    const IniFile ini(platform::ProgramHome() + QStringLiteral("custom.ini"));
    const QString prefix = deviceKind == 1 ? QStringLiteral("lp_") : QString();
    identity.vid = ini.ReadString("device", prefix + "vid", QString());
    identity.pid = ini.ReadString("device", prefix + "pid", QString());
    identity.sn = ini.ReadString("device", prefix + "sn", QString());
    return identity;
}

void Print(const std::string& line) {
    static std::mutex lock;
    std::lock_guard<std::mutex> guard(lock);
    std::cout << line << std::endl;
}

platform::OpenResult OpenAndPrint(const QString& target, const QString& via,
                                  const platform::OpenPolicy& policy) {
    const platform::OpenResult result = platform::OpenTarget(target, via, policy);
    const QString outcome = result.Opened() ? "opened"
                            : result.outcome == platform::OpenOutcome::Failed
                                ? "failed"
                                : "refused (" + result.reason + ")";
    Print((via + ": " + target + " -> " + outcome).toStdString());
    return result;
}

std::shared_ptr<CCmdManager> MakeManager(int deviceKind) {
    const Endpoints& endpoints = GetEndpoints();
    CCmdManager::Context context;
    context.config = std::make_shared<CConfig>();
    context.deviceKind = [deviceKind] { return deviceKind; };
    context.serviceBase = endpoints.service;
    context.semanticBase = endpoints.semantic;
    context.semanticEngineId = endpoints.semanticEngineId;
    context.trustedProgramsFile = platform::ProgramHome() + QStringLiteral("trusted_programs.txt");
    context.deviceIdentity = IdentityFromFile;
    context.open = OpenAndPrint;
    return CCmdManager::Create(std::move(context));
}

int RunDispatcher(const Options& options) {
    const std::shared_ptr<CCmdManager> manager = MakeManager(options.deviceKind);
    if (options.fetch) {
        // A console run does not wait for the network the way the program does.
        if (!platform::IsOnline())
            Print("fetch: offline, the list stays empty");
        else if (manager->FetchCommands(options.deviceKind))
            Print("fetch: " + std::to_string(manager->Commands(options.deviceKind).size()) +
                  " commands");
        else
            Print("fetch: no list");
    }
    const bool opened = manager->RunVoiceCommand(options.sentence);
    Print(opened ? "done: opened" : "done: nothing opened");
    manager->Shutdown();
    return opened ? kExitOpened : kExitNothingOpened;
}

// The desktop's URL handlers need the GUI application object, which needs a display; the
// simulator and a console without one get the plain one (programs still start).
std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv) {
    const bool display = !qEnvironmentVariableIsEmpty("DISPLAY") ||
                         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
                         !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (display && qEnvironmentVariableIsEmpty("VELMORA_SIMULATOR"))
        return std::make_unique<QGuiApplication>(argc, argv);
    return std::make_unique<QCoreApplication>(argc, argv);
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (const std::optional<int> exitCode = ParseArguments(argc, argv, options))
        return *exitCode;
    const std::unique_ptr<QCoreApplication> app = MakeApplication(argc, argv);
    if (curl_global_init(CURL_GLOBAL_ALL) != 0) {
        std::cerr << "velmora-cmd: libcurl cannot start\n";
        return kExitBadInput;
    }
    // The dispatcher runs on a worker, as in the program: addresses are handed to the desktop
    // on this (UI) thread's event loop.
    std::atomic<int> exitCode{kExitNothingOpened};
    std::thread worker([&] {
        exitCode = RunDispatcher(options);
        QMetaObject::invokeMethod(
            app.get(), [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    });
    app->exec();
    worker.join();
    curl_global_cleanup();
    return exitCode;
}
