#include "app/text_styles.h"

#include <QApplication>

namespace pixmora::app {
namespace {

// Scales whichever size unit the application font uses.
QFont scaledAppFont(double factor)
{
    QFont font = QApplication::font();
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * factor);
    else if (font.pixelSize() > 0)
        font.setPixelSize(qMax(1, qRound(font.pixelSize() * factor)));
    return font;
}

}  // namespace

QFont captionFont()
{
    return scaledAppFont(0.9);
}

QFont smallCaptionFont()
{
    return scaledAppFont(0.82);
}

QFont calloutFont()
{
    return scaledAppFont(0.95);
}

QFont headlineFont()
{
    QFont font = scaledAppFont(1.2);
    font.setBold(true);
    return font;
}

QFont fixedSizeFont(int pixelSize)
{
    QFont font = QApplication::font();
    font.setPixelSize(pixelSize);
    return font;
}

}  // namespace pixmora::app
