#pragma once

#include <QIcon>

namespace tarvex {

// The application icon, drawn here at 48 x 48 and 64 x 64: a counter with a green arrow
// going in and a red arrow coming out.
QIcon TarvexIcon();

}  // namespace tarvex
