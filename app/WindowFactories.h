#pragma once

#include <QPoint>
#include <QVariant>

#include <array>
#include <cstddef>
#include <functional>

class QWidget;
class WindowImplBase;

// The secondary windows the manager holds, in the order it creates or holds them.
enum class FloatingWnd : std::size_t {
    VoiceTip,
    Tip,
    Trans,
    Icon,
    GetWord,
    Subtitle,
    Laser,
    Magnifier,
    Count
};

enum class DialogWnd : std::size_t {
    Set,
    Freeback,
    Help,
    Login,
    Voice,
    Modify,
    Color,
    Common,
    Count
};

// What a dialog request carries besides the dialog kind: the owner for the child dialogs, the
// pointer position for the colour palette, and the dialog's own argument (colour purpose,
// record index...).
struct DialogRequest {
    QWidget* owner = nullptr;
    QPoint position;
    QVariant argument;
};

// How each window class is made. The windows live in subsystems above this one, so whoever
// assembles the program fills the table, one line per window class, e.g.
//   factories.floating[FloatingWnd::VoiceTip] = [] { return new CVoiceTipWnd; };
// A slot left empty means the window is absent and every call for it does nothing.
struct WindowFactories {
    using FloatingFactory = std::function<WindowImplBase*()>;
    using DialogFactory = std::function<WindowImplBase*(const DialogRequest&)>;

    template <class Slot, class Factory, std::size_t N> struct Table {
        std::array<Factory, N> entries;
        Factory& operator[](Slot slot) { return entries[static_cast<std::size_t>(slot)]; }
        const Factory& operator[](Slot slot) const {
            return entries[static_cast<std::size_t>(slot)];
        }
    };

    Table<FloatingWnd, FloatingFactory, static_cast<std::size_t>(FloatingWnd::Count)> floating;
    Table<DialogWnd, DialogFactory, static_cast<std::size_t>(DialogWnd::Count)> dialogs;
};
