#pragma once

#include <QByteArray>
#include <QHash>
#include <QSize>
#include <QString>

#include <memory>

class QUiLoader;
class QWidget;

// Builds a window's widgets and its list rows from skin files. A list of a thousand rows asks
// for the same skin a thousand times: a row skin is read once, one loader serves every row, and
// the rows of one skin share the size of the first one made (every row of a skin has the same
// controls). Skins use Qt's own widgets only, so no designer plugin is ever loaded (one would
// bring Qt Quick into the process).
class SkinLoader {
public:
    SkinLoader();
    ~SkinLoader();
    SkinLoader(const SkinLoader&) = delete;
    SkinLoader& operator=(const SkinLoader&) = delete;

    // A window's widgets, top-level, or nullptr when the skin file is missing or unreadable.
    QWidget* LoadWindow(const QString& skinFile);
    // A list row inside parent; the row skin stays in memory for the next row.
    QWidget* LoadRow(const QString& skinFile, QWidget* parent);
    QSize RowSize(const QString& skinFile, const QWidget& row);

private:
    QWidget* Build(QByteArray& skin, QWidget* parent);

    std::unique_ptr<QUiLoader> m_loader;
    QHash<QString, QByteArray> m_rowSkins;
    QHash<QString, QSize> m_sizes;
};
