#include "ui/framework/SkinIcons.h"
#include "ui/framework/SkinResources.h"

QString SkinIconPath(int resourceId) {
    switch (resourceId) {
    case ui::kIconOnline:
        return QStringLiteral(":/skin/tray/online.png");
    case ui::kIconOffline:
        return QStringLiteral(":/skin/tray/offline.png");
    default:
        return QString();
    }
}

QIcon SkinIcon(int resourceId) {
    EnsureSkinResources();
    const QString path = SkinIconPath(resourceId);
    return path.isEmpty() ? QIcon() : QIcon(path);
}
