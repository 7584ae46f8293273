#pragma once

#include <QByteArray>
#include <QHash>
#include <QSize>
#include <QString>

#include <memory>

class QUiLoader;
class QWidget;

// Builds a window's widgets and its list rows from skin files. A list of a thousand rows asks
// for the same skin a thousand times: the file is read once, one loader serves every row, and
// the rows of one skin share the size its first row asked for (every row of a skin has the same
// controls; the texts filled in later do not size the row). Skins use Qt's own widgets only, so
// no designer plugin is ever loaded (one would bring Qt Quick into the process).
class SkinLoader {
public:
    SkinLoader();
    ~SkinLoader();
    SkinLoader(const SkinLoader&) = delete;
    SkinLoader& operator=(const SkinLoader&) = delete;

    // New widgets inside parent (none: a top-level widget), or nullptr when the skin file is
    // missing or unreadable.
    QWidget* Load(const QString& skinFile, QWidget* parent);
    QSize RowSize(const QString& skinFile, const QWidget& row);

private:
    std::unique_ptr<QUiLoader> m_loader;
    QHash<QString, QByteArray> m_skins;
    QHash<QString, QSize> m_sizes;
};
