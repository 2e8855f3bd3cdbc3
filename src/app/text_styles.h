#pragma once

#include <QFont>

namespace pixmora::app {

// Text styles of the panels, derived from the application font so that they
// follow the desktop's size setting: callout, caption and small caption step
// down from it, the headline is bold and larger.
QFont captionFont();
QFont smallCaptionFont();
QFont calloutFont();
QFont headlineFont();

// The application font at a fixed size in device-independent pixels, for
// controls whose size must fit a fixed cell (tool titles, shape options).
QFont fixedSizeFont(int pixelSize);

}  // namespace pixmora::app
