#pragma once

#include <functional>

class QWidget;

namespace pixmora::app {

// Runs `work` once from the event loop, after the shown top-level `window` has
// first been exposed and painted; never if the window goes first. For launch work
// that would otherwise hold back the window's first picture.
void runAfterFirstPaint(QWidget* window, std::function<void()> work);

}  // namespace pixmora::app
