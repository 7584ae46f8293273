// Device instance ids and device interface names, as udev and hidraw name a device, and the
// catalogue look-ups that follow them.
#include "device/CDeviceCatalogue.h"
#include "device/DeviceInstanceId.h"
#include "support/FuzzSupport.h"

namespace {

using fuzz::Require;

void CheckCatalogue(const CDeviceCatalogue& catalogue, const QString& vid, const QString& pid) {
    const int mouse = catalogue.FindMouse(vid, pid);
    Require(mouse >= -1 && mouse < catalogue.MouseVendorIds().size(), "mouse index out of range");
    if (mouse >= 0)
        Require(catalogue.MouseVendorIds()[mouse] == vid &&
                    catalogue.MouseProductIds()[mouse] == pid,
                "a mouse entry that is not the one asked for");
    const int pen = catalogue.FindPen(vid, pid);
    Require(pen >= -1 && pen < catalogue.PenVendorIds().size(), "pen index out of range");
    if (pen >= 0)
        Require(catalogue.PenVendorIds()[pen] == vid && catalogue.PenProductIds()[pen] == pid,
                "a pen entry that is not the one asked for");
    if (CDeviceCatalogue::IsSecondLayoutMouse(vid, pid) ||
        CDeviceCatalogue::IsBluetoothMouse(vid, pid))
        Require(mouse >= 0, "a mouse model that the catalogue does not list");
    catalogue.IsRecorder(vid);
}

void CheckId(const CDeviceCatalogue& catalogue, const QString& text) {
    const std::optional<DeviceInstanceId> id = DeviceInstanceId::Parse(text);
    if (!id)
        return;
    Require(text.toUpper().startsWith(QLatin1String("USB")), "an id accepted without USB");
    Require(id->vid.size() == 4 && id->pid.size() == 4, "a vendor or product id not 4 long");
    Require(id->serial.size() <= 34, "a serial longer than the id format allows");
    Require(id->vid == id->vid.toUpper() && id->pid == id->pid.toUpper() &&
                id->serial == id->serial.toUpper(),
            "a part not in upper case");
    CheckCatalogue(catalogue, id->vid, id->pid);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const CDeviceCatalogue catalogue;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<int>(size));
    // The same bytes as UTF-8 (what udev hands over) and as UTF-16 (unpaired surrogates and all).
    const QString texts[] = {
        QString::fromUtf8(bytes),
        QString(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2),
    };
    for (const QString& text : texts) {
        CheckId(catalogue, text);
        const QString fromInterface = DeviceInstanceId::FromInterfaceName(text);
        Require(!fromInterface.contains(QLatin1Char('#')), "a \"#\" left in an instance id");
        Require(fromInterface.size() <= text.size() * 3, "an instance id out of all proportion");
        CheckId(catalogue, fromInterface);
        if (text.size() >= 8)
            CheckCatalogue(catalogue, text.left(4).toUpper(), text.mid(4, 4).toUpper());
    }
    return 0;
}
