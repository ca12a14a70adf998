#pragma once
// Interface animations (fades, slides, gliding values) share one duration
// scale, so tests can set it to 0 and see every end state at once.

#include <QByteArray>
#include <QEasingCurve>
#include <QVariant>
#include <functional>

class QObject;
class QVariantAnimation;

namespace toolkit {

// 1.0 in normal use; 0 makes every animation jump to its end.
double animationScale();
void setAnimationScale(double scale);

// `milliseconds` times the scale, rounded.
int scaledDuration(int milliseconds);

// The duration the system uses for implicit animations (a quarter second).
constexpr int kDefaultAnimationMs = 250;

// Animates `property` of `target` to `to` over the scaled duration, then runs
// `finished` (if any). With a scaled duration of 0 the property is set and
// `finished` runs before this returns. A running animation of the same
// property on the same object is replaced (its `finished` does not run).
// Returns the animation, or null when it completed at once.
QVariantAnimation* animateProperty(QObject* target, const QByteArray& property, const QVariant& to,
                                   int milliseconds, QEasingCurve easing = QEasingCurve::InOutQuad,
                                   std::function<void()> finished = {});

// Stops a running animation of that property without finishing it.
void stopAnimation(QObject* target, const QByteArray& property);

} // namespace toolkit
