#pragma once

#include <QWidget>

#include <cstdint>
#include <vector>

// A grid of colour swatches; a click on one (or PickColor, for the simulator's "pick" and for
// tests) reports that colour as a 32-bit ARGB value.
class CColorPalette : public QWidget {
    Q_OBJECT
public:
    explicit CColorPalette(QWidget* parent = nullptr);

    // The swatches, row by row.
    static const std::vector<uint32_t>& Swatches();

    uint32_t SelectedColour() const { return m_selected; }

    // Selects any colour, as if a swatch of that colour had been clicked.
    Q_INVOKABLE void PickColor(quint32 argb);

signals:
    void colourPicked(quint32 argb);

private:
    uint32_t m_selected = 0;
};
