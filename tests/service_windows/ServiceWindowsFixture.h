#pragma once

#include "ShownMessageBoxes.h"
#include "support/LocalHttpServer.h"

#include "app/CConfig.h"
#include "service/UserInfo.h"
#include "service/windows/ServiceWindowLinks.h"
#include "ui/framework/WindowImplBase.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Runs the event loop until the condition holds; false after 30 s (a hang guard, not a time).
inline bool WaitUntil(const std::function<bool()>& condition) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > 30000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

struct UsageRecord {
    int kind;
    QString first;
    QString second;
};

// One fake service for the whole program (the endpoints are read once per process), a fresh
// settings folder per test, and links that record what the windows ask of the program.
class ServiceWindowsTest : public testing::Test {
protected:
    static testsupport::LocalHttpServer& Service() {
        static testsupport::LocalHttpServer* server = [] {
            auto* s = new testsupport::LocalHttpServer(testsupport::HttpReply(200, "[]"));
            static QTemporaryDir home;
            QFile endpoints(home.path() + QStringLiteral("/endpoints.ini"));
            endpoints.open(QIODevice::WriteOnly);
            endpoints.write(
                ("[endpoints]\nservice=" + s->Origin() + "\nweb=http://web.test\n").c_str());
            endpoints.close();
            qputenv("VELMORA_HOME", home.path().toUtf8());
            return s;
        }();
        return *server;
    }

    void SetUp() override {
        Service().SetReply(testsupport::HttpReply(200, "[]"));
        m_firstRequest = Service().Requests().size();
        ForgetMessageBoxes();
        m_config = std::make_shared<CConfig>(m_dir.path() + QLatin1Char('/'));
        m_user = std::make_shared<UserInfo>();
        m_links.config = m_config;
        m_links.user = m_user;
        m_links.postToMainWindow = [this](unsigned msg) { m_posted.push_back(msg); };
        m_links.recordUsage = [this](int kind, const QString& first, const QString& second) {
            m_usage.push_back({kind, first, second});
        };
        m_links.openDialog = [this](DialogWnd kind, const DialogRequest&) {
            m_opened.push_back(kind);
            return true;
        };
        m_links.openTarget = [this](const QString& target, const QString& via) {
            m_targets.push_back(via + QLatin1Char(' ') + target);
        };
        m_links.reloadMainWindowTexts = [this] { ++m_mainReloads; };
    }

    // Requests of this test whose target begins with prefix, in arrival order. (A worker of an
    // earlier test may still finish; its requests count for this one only if they come later.)
    std::vector<testsupport::HttpRequest> RequestsTo(const std::string& prefix) const {
        std::vector<testsupport::HttpRequest> found;
        const auto requests = Service().Requests();
        for (size_t i = m_firstRequest; i < requests.size(); ++i) {
            if (requests[i].target.rfind(prefix, 0) == 0)
                found.push_back(requests[i]);
        }
        return found;
    }

    template <class Window> Window* Open(Window* window) {
        window->SetAutoDelete(true);
        window->Create(nullptr, window->GetWindowClassName(), 0x96C80000u, 0);
        m_windows.emplace_back(window);
        return window;
    }

    static void Type(WindowImplBase& window, const char* control, const QString& text) {
        auto* edit = window.FindControlAs<QLineEdit>(QLatin1String(control));
        ASSERT_NE(edit, nullptr) << control;
        edit->setText(text);
    }

    static void Click(WindowImplBase& window, const char* control) {
        auto* button = window.FindControlAs<QAbstractButton>(QLatin1String(control));
        ASSERT_NE(button, nullptr) << control;
        button->click();
    }

    void TearDown() override {
        for (const QPointer<WindowImplBase>& window : m_windows)
            delete window.data();
    }

    QTemporaryDir m_dir;
    size_t m_firstRequest = 0;
    std::shared_ptr<CConfig> m_config;
    std::shared_ptr<UserInfo> m_user;
    ServiceWindowLinks m_links;
    std::vector<unsigned> m_posted;
    std::vector<UsageRecord> m_usage;
    std::vector<DialogWnd> m_opened;
    std::vector<QString> m_targets;
    int m_mainReloads = 0;
    std::vector<QPointer<WindowImplBase>> m_windows;
};
