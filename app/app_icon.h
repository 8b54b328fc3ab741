#pragma once

#include <QIcon>
#include <array>

class QPainter;

namespace tarvex {

// The pixel sizes the icons are drawn at for the desktop's icon theme and the window: menus
// and panels take 16 to 32, file managers 48 and 64, software centres 128 and 256.
inline constexpr std::array<int, 7> kIconSizes{16, 24, 32, 48, 64, 128, 256};

// The application icon: a counter with a green arrow going in and a red arrow coming out,
// its display showing 123 in seven-segment digits drawn from fixed outlines (no font), so the
// drawing is the same on every machine. Below 32 pixels the digits would smear and are left
// out. Draws into a square of `size` device units from the painter's origin; the window's
// icon and the icon files installed for the desktop are both drawn by it.
void PaintTarvexIcon(QPainter& painter, qreal size);

// The icon of a counter download in a file manager: a page with a folded corner, a line of
// the download's digits (left out below 32 pixels) and the in and out arrows.
void PaintDownloadIcon(QPainter& painter, qreal size);

// The application icon at every size in kIconSizes.
QIcon TarvexIcon();

}  // namespace tarvex
