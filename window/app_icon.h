#pragma once

#include <QIcon>

class QPainter;

namespace tarvex {

// The application icon: a counter with a green arrow going in and a red arrow coming out.
// PaintTarvexIcon draws it into a square of `size` device units from the painter's origin;
// the window's icon (48 x 48 and 64 x 64) and the icon files installed for the desktop are
// both drawn by it.
void PaintTarvexIcon(QPainter& painter, qreal size);
QIcon TarvexIcon();

}  // namespace tarvex
