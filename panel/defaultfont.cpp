// SPDX-License-Identifier: MIT
#include "panel/defaultfont.h"

#include <QApplication>
#include <QFontInfo>

namespace panel {

void capDefaultFont() {
#if defined(Q_OS_LINUX)
    // The window's controls are sized in pixels. Text of 12 pixels (9 points at 96 dpi) is the
    // largest whose captions all fit with the Linux desktops' fonts: one pixel more and "Device
    // Clear" outgrows its button in DejaVu Sans, and Noto Sans outgrows the 17-pixel check boxes.
    constexpr int largestPixelSize = 12;
    QFont font = QApplication::font();
    if (QFontInfo(font).pixelSize() <= largestPixelSize)
        return;
    font.setPixelSize(largestPixelSize);
    QApplication::setFont(font);
#endif
}

} // namespace panel
