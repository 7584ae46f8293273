#include "platform/WindowPlacement.h"

#include <QGuiApplication>
#include <QTransform>
#include <QWidget>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <cmath>
#include <vector>

namespace platform {

namespace {

// Qt's own X connection: the window is Qt's, so its requests keep their order with Qt's.
Display* QtDisplay() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (app == nullptr || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->display() : nullptr;
}

int LogicalLength(int devicePixels, qreal ratio) {
    return static_cast<int>(std::ceil(devicePixels / ratio));
}

void CoverSize(QWidget* window, const QSize& deviceSize, qreal ratio) {
    const QSize logical(LogicalLength(deviceSize.width(), ratio),
                        LogicalLength(deviceSize.height(), ratio));
    if (window->size() != logical)
        window->setFixedSize(logical);
}

} // namespace

void PlaceWindowInDevicePixels(QWidget* window, const QRect& rect) {
    if (window == nullptr || rect.isEmpty())
        return;
    const qreal ratio = window->devicePixelRatioF() > 0 ? window->devicePixelRatioF() : 1.0;
    CoverSize(window, rect.size(), ratio);
    Display* display = QtDisplay();
    if (display == nullptr) {
        window->move(qRound(rect.x() / ratio), qRound(rect.y() / ratio));
        return;
    }
    XWindowChanges changes{};
    changes.x = rect.x();
    changes.y = rect.y();
    changes.width = rect.width();
    changes.height = rect.height();
    changes.stack_mode = Above;
    XConfigureWindow(display, static_cast<Window>(window->winId()),
                     CWX | CWY | CWWidth | CWHeight | CWStackMode, &changes);
    XFlush(display);
}

void SetWindowShapeInDevicePixels(QWidget* window, const QRegion& region) {
    if (window == nullptr)
        return;
    Display* display = QtDisplay();
    int eventBase = 0, errorBase = 0;
    if (display == nullptr || !XShapeQueryExtension(display, &eventBase, &errorBase)) {
        const qreal ratio = window->devicePixelRatioF() > 0 ? window->devicePixelRatioF() : 1.0;
        window->setMask(QTransform::fromScale(1 / ratio, 1 / ratio).map(region));
        return;
    }
    std::vector<XRectangle> rectangles;
    for (const QRect& r : region) {
        rectangles.push_back({static_cast<short>(r.x()), static_cast<short>(r.y()),
                              static_cast<unsigned short>(r.width()),
                              static_cast<unsigned short>(r.height())});
    }
    XShapeCombineRectangles(display, static_cast<Window>(window->winId()), ShapeBounding, 0, 0,
                            rectangles.data(), static_cast<int>(rectangles.size()), ShapeSet,
                            YXBanded);
    XFlush(display);
}

} // namespace platform
