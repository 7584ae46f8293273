#include "ui/framework/CPaintManagerUI.h"

#include "ui/framework/CResourceManager.h"
#include "ui/framework/SimWindowRequests.h"

#include <QApplication>

#include <mutex>

namespace {
std::mutex& PathLock() {
    static std::mutex lock;
    return lock;
}
QString& ResourcePath() {
    static QString path;
    return path;
}
} // namespace

void CPaintManagerUI::SetResourcePath(const QString& path) {
    std::lock_guard<std::mutex> guard(PathLock());
    ResourcePath() = path;
}

QString CPaintManagerUI::GetResourcePath() {
    std::lock_guard<std::mutex> guard(PathLock());
    return ResourcePath();
}

int CPaintManagerUI::MessageLoop() {
    if (QCoreApplication::instance() == nullptr)
        return -1;
    QApplication::setQuitOnLastWindowClosed(false);
    // The simulator's tools look at windows only while the loop runs to draw them.
    platform::ServeSimUiRequests(&CarryOutSimWindowRequest);
    const int result = QApplication::exec();
    platform::StopServingSimUiRequests();
    return result;
}

void CPaintManagerUI::Term() {
    CResourceManager::Instance().Clear();
}
