#include "ui/framework/SkinResources.h"

#include <QtGlobal>

void EnsureSkinResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(skin);
        return true;
    }();
    Q_UNUSED(registered);
}
