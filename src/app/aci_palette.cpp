#include "app/aci_palette.h"

#include <array>

namespace tesk::app {

QColor AciColor(int index) {
    static constexpr std::array<QRgb, 10> kFirst = {
        qRgb(255, 255, 255), qRgb(255, 0, 0),    qRgb(255, 255, 0), qRgb(0, 255, 0),
        qRgb(0, 255, 255),   qRgb(0, 0, 255),    qRgb(255, 0, 255), qRgb(255, 255, 255),
        qRgb(128, 128, 128), qRgb(192, 192, 192)};
    static constexpr std::array<int, 6> kGreys = {51, 80, 105, 130, 190, 255};
    static constexpr std::array<int, 5> kValues = {255, 204, 153, 127, 76};

    if (index >= 1 && index <= 9) {
        return QColor(kFirst[static_cast<std::size_t>(index)]);
    }
    if (index >= 10 && index <= 249) {
        const int hue = (index / 10 - 1) * 15; // degrees
        const int shade = (index % 10) / 2;    // 0 brightest .. 4 darkest
        const bool pastel = (index % 2) == 1;  // half saturation
        return QColor::fromHsv(hue, pastel ? 127 : 255, kValues[static_cast<std::size_t>(shade)])
            .toRgb();
    }
    if (index >= 250 && index <= 255) {
        const int grey = kGreys[static_cast<std::size_t>(index - 250)];
        return QColor(grey, grey, grey);
    }
    return QColor(255, 255, 255);
}

} // namespace tesk::app
