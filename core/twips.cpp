#include "core/twips.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QtMath>

namespace {
constexpr double kTwipsPerPixel = 15.0;
// A line of German captions and the width it takes in the font the layouts were drawn for.
const QString kSample = QStringLiteral("Outlook Express Accounts importieren, Benachrichtigungsfenster anzeigen");
constexpr double kSampleWidthAtLayoutFont = 340.0;
}  // namespace

double TwipsScaleFor(const QFont& font) {
    return qMax(1.0, QFontMetricsF(font).horizontalAdvance(kSample) / kSampleWidthAtLayoutFont);
}

double TwipsScale() {
    // Measured once a font: Px runs for every control of every window.
    static QString measuredKey;
    static double scale = 1.0;
    const QFont font = QGuiApplication::font();
    if (font.key() != measuredKey) {
        measuredKey = font.key();
        scale = TwipsScaleFor(font);
    }
    return scale;
}

int Px(int twips) { return qRound(twips * TwipsScale() / kTwipsPerPixel); }
