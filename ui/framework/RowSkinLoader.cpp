#include "ui/framework/RowSkinLoader.h"

#include "ui/framework/SkinResources.h"

#include <QBuffer>
#include <QFile>
#include <QWidget>
#include <QtUiTools/QUiLoader>

RowSkinLoader::RowSkinLoader() : m_loader(std::make_unique<QUiLoader>()) {}

RowSkinLoader::~RowSkinLoader() = default;

QWidget* RowSkinLoader::Load(const QString& skinFile, QWidget* parent) {
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

QSize RowSkinLoader::RowSize(const QString& skinFile, const QWidget& row) {
    auto size = m_sizes.find(skinFile);
    if (size == m_sizes.end())
        size = m_sizes.insert(skinFile, row.sizeHint());
    return size.value();
}
