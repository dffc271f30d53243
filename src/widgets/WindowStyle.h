#pragma once

class QWidget;

// How the program's secondary windows look and sit.
namespace WindowStyle {

// A fixed-size window with a white background, a title and a close box but
// no minimise or maximise buttons, centred on the screen when shown.
void fixedToolWindow(QWidget* window);

} // namespace WindowStyle
