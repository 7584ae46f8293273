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

// The skin's text, empty when the file is missing or unreadable.
QByteArray ReadSkin(const QString& skinFile) {
    EnsureSkinResources();
    QFile file(QStringLiteral(":/skin/") + skinFile);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

SkinLoader::SkinLoader() : m_loader(NewLoaderWithoutPlugins()) {}

SkinLoader::~SkinLoader() = default;

QWidget* SkinLoader::LoadWindow(const QString& skinFile) {
    QByteArray skin = ReadSkin(skinFile);
    return Build(skin, nullptr);
}

QWidget* SkinLoader::LoadRow(const QString& skinFile, QWidget* parent) {
    auto skin = m_rowSkins.find(skinFile);
    if (skin == m_rowSkins.end())
        skin = m_rowSkins.insert(skinFile, ReadSkin(skinFile));
    return Build(skin.value(), parent);
}

QWidget* SkinLoader::Build(QByteArray& skin, QWidget* parent) {
    if (skin.isEmpty())
        return nullptr;
    QBuffer buffer(&skin);
    buffer.open(QIODevice::ReadOnly);
    return m_loader->load(&buffer, parent);
}

QSize SkinLoader::RowSize(const QString& skinFile, const QWidget& row) {
    auto size = m_sizes.find(skinFile);
    if (size == m_sizes.end())
        size = m_sizes.insert(skinFile, row.sizeHint());
    return size.value();
}
