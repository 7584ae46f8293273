#include "ui/framework/SkinLoader.h"

#include "ui/framework/SkinResources.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QWidget>
#include <QtUiTools/QUiLoader>

namespace {

// A loader loads every designer plugin it finds as it is made, before its plugin paths can be
// cleared; it is made while the library paths are empty, and they are put back at once.
std::unique_ptr<QUiLoader> NewLoaderWithoutPlugins() {
    const QStringList libraryPaths = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({});
    auto loader = std::make_unique<QUiLoader>();
    QCoreApplication::setLibraryPaths(libraryPaths);
    return loader;
}

} // namespace

SkinLoader::SkinLoader() : m_loader(NewLoaderWithoutPlugins()) {}

SkinLoader::~SkinLoader() = default;

QWidget* SkinLoader::Load(const QString& skinFile, QWidget* parent) {
    auto skin = m_skins.find(skinFile);
    if (skin == m_skins.end()) {
        EnsureSkinResources();
        QFile file(QStringLiteral(":/skin/") + skinFile);
        if (!file.open(QIODevice::ReadOnly))
            return nullptr;
        skin = m_skins.insert(skinFile, file.readAll());
    }
    QBuffer buffer(&skin.value());
    buffer.open(QIODevice::ReadOnly);
    return m_loader->load(&buffer, parent);
}

QSize SkinLoader::RowSize(const QString& skinFile, const QWidget& row) {
    auto size = m_sizes.find(skinFile);
    if (size == m_sizes.end())
        size = m_sizes.insert(skinFile, row.sizeHint());
    return size.value();
}
