#include "service/windows/CColorPalette.h"

#include <QGridLayout>
#include <QPushButton>

namespace {
constexpr int kColumns = 8;
constexpr int kSwatchSize = 24;
} // namespace

CColorPalette::CColorPalette(QWidget* parent) : QWidget(parent) {
    auto* grid = new QGridLayout(this);
    grid->setSpacing(2);
    grid->setContentsMargins(2, 2, 2, 2);
    const std::vector<uint32_t>& swatches = Swatches();
    for (std::size_t i = 0; i < swatches.size(); ++i) {
        const uint32_t argb = swatches[i];
        auto* swatch = new QPushButton(this);
        swatch->setFixedSize(kSwatchSize, kSwatchSize);
        swatch->setToolTip(QStringLiteral("#%1").arg(argb & 0xFFFFFFu, 6, 16, QLatin1Char('0')));
        swatch->setStyleSheet(QStringLiteral("background-color: #%1; border: 1px solid #888;")
                                  .arg(argb & 0xFFFFFFu, 6, 16, QLatin1Char('0')));
        connect(swatch, &QPushButton::clicked, this, [this, argb] { PickColor(argb); });
        grid->addWidget(swatch, static_cast<int>(i) / kColumns, static_cast<int>(i) % kColumns);
    }
}

const std::vector<uint32_t>& CColorPalette::Swatches() {
    static const std::vector<uint32_t> swatches = {
        0xFFFF0000u, 0xFFFF8000u, 0xFFFFFF00u, 0xFF80FF00u, 0xFF00FF00u, 0xFF00FF80u,
        0xFF00FFFFu, 0xFF0080FFu, 0xFF0000FFu, 0xFF8000FFu, 0xFFFF00FFu, 0xFFFF0080u,
        0xFF800000u, 0xFF804000u, 0xFF808000u, 0xFF008000u, 0xFF008080u, 0xFF000080u,
        0xFF800080u, 0xFFFFFFFFu, 0xFFC0C0C0u, 0xFF808080u, 0xFF404040u, 0xFF000000u,
    };
    return swatches;
}

void CColorPalette::PickColor(quint32 argb) {
    m_selected = argb;
    emit colourPicked(argb);
}
