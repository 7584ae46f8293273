#include "platform/linux/X11RootGrab.h"

#include "platform/linux/XDisplayConnection.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace platform {

namespace {

// Index of the lowest set bit and number of bits of a colour mask (0x00ff0000: 16, 8).
void MaskShape(unsigned long mask, int& shift, int& bits) {
    shift = 0;
    bits = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    while ((mask & 1) != 0) {
        mask >>= 1;
        ++bits;
    }
}

int Channel(unsigned long pixel, int shift, int bits) {
    if (bits == 0)
        return 0;
    const unsigned long value = (pixel >> shift) & ((1ul << bits) - 1);
    return static_cast<int>(value * 255 / ((1ul << bits) - 1));
}

bool IsCommonRgb32(const XImage& image) {
    return image.bits_per_pixel == 32 && image.byte_order == LSBFirst &&
           image.red_mask == 0xFF0000 && image.green_mask == 0xFF00 && image.blue_mask == 0xFF;
}

// Any true-colour layout, one pixel at a time: slow, but only for unusual servers.
QImage ConvertPixelByPixel(XImage* image) {
    if (image->red_mask == 0 || image->green_mask == 0 || image->blue_mask == 0)
        return {};
    int rs, rb, gs, gb, bs, bb;
    MaskShape(image->red_mask, rs, rb);
    MaskShape(image->green_mask, gs, gb);
    MaskShape(image->blue_mask, bs, bb);
    QImage result(image->width, image->height, QImage::Format_RGB32);
    for (int y = 0; y < image->height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < image->width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            line[x] = qRgb(Channel(pixel, rs, rb), Channel(pixel, gs, gb), Channel(pixel, bs, bb));
        }
    }
    return result;
}

QImage ToQImage(XImage* image) {
    if (IsCommonRgb32(*image)) {
        // The X alpha byte is undefined: RGB32 ignores it.
        return QImage(reinterpret_cast<const uchar*>(image->data), image->width, image->height,
                      image->bytes_per_line, QImage::Format_RGB32)
            .copy();
    }
    return ConvertPixelByPixel(image);
}

// One shared-memory segment for one grab, removed before returning.
QImage GrabShared(Display* display, Window root, Visual* visual, int depth, int width, int height) {
    XShmSegmentInfo segment{};
    XImage* image =
        XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &segment,
                        static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (image == nullptr)
        return {};
    segment.shmid =
        shmget(IPC_PRIVATE, static_cast<size_t>(image->bytes_per_line) * height, IPC_CREAT | 0600);
    if (segment.shmid < 0) {
        XDestroyImage(image);
        return {};
    }
    segment.shmaddr = static_cast<char*>(shmat(segment.shmid, nullptr, 0));
    // Marked for removal now: it goes when the last user detaches, even after a crash.
    shmctl(segment.shmid, IPC_RMID, nullptr);
    if (segment.shmaddr == reinterpret_cast<char*>(-1)) {
        XDestroyImage(image);
        return {};
    }
    image->data = segment.shmaddr;
    segment.readOnly = False;
    QImage result;
    const unsigned long errorsBefore = XDisplayConnection::ErrorCount();
    bool attached = XShmAttach(display, &segment);
    // A server on another machine refuses the attach with an error, seen after the sync.
    XSync(display, False);
    attached = attached && XDisplayConnection::ErrorCount() == errorsBefore;
    if (attached) {
        if (XShmGetImage(display, root, image, 0, 0, AllPlanes))
            result = ToQImage(image);
        XShmDetach(display, &segment);
        XSync(display, False);
    }
    image->data = nullptr;
    XDestroyImage(image);
    shmdt(segment.shmaddr);
    return result;
}

QImage GrabPlain(Display* display, Window root, int width, int height) {
    XImage* image = XGetImage(display, root, 0, 0, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (image == nullptr)
        return {};
    QImage result = ToQImage(image);
    XDestroyImage(image);
    return result;
}

} // namespace

QImage GrabRootWindow(Display* display) {
    if (display == nullptr)
        return {};
    const int screen = DefaultScreen(display);
    const Window root = RootWindow(display, screen);
    const int width = DisplayWidth(display, screen);
    const int height = DisplayHeight(display, screen);
    Visual* visual = DefaultVisual(display, screen);
    const int depth = DefaultDepth(display, screen);
    if (width <= 0 || height <= 0 || visual == nullptr || visual->c_class != TrueColor)
        return {};
    QImage result;
    if (XShmQueryExtension(display))
        result = GrabShared(display, root, visual, depth, width, height);
    if (result.isNull())
        result = GrabPlain(display, root, width, height);
    return result;
}

} // namespace platform
