#include "Animation.h"

#include <QObject>
#include <QPointer>
#include <QPropertyAnimation>
#include <cmath>

namespace toolkit {

namespace {
double g_scale = 1.0;

QByteArray runningKey(const QByteArray& property) { return "_nv_animation_" + property; }
} // namespace

double animationScale() { return g_scale; }
void setAnimationScale(double scale) { g_scale = scale < 0 ? 0 : scale; }

int scaledDuration(int milliseconds)
{
    return static_cast<int>(std::lround(milliseconds * g_scale));
}

void stopAnimation(QObject* target, const QByteArray& property)
{
    if (!target)
        return;
    const QVariant running = target->property(runningKey(property).constData());
    if (auto* old = qobject_cast<QPropertyAnimation*>(running.value<QObject*>())) {
        old->disconnect(); // its `finished` must not run
        old->stop();       // deletes itself once stopped
    }
    target->setProperty(runningKey(property).constData(), QVariant());
}

QVariantAnimation* animateProperty(QObject* target, const QByteArray& property, const QVariant& to,
                                   int milliseconds, QEasingCurve easing, std::function<void()> finished)
{
    if (!target)
        return nullptr;
    stopAnimation(target, property);
    const int duration = scaledDuration(milliseconds);
    if (duration <= 0) {
        target->setProperty(property.constData(), to);
        if (finished)
            finished();
        return nullptr;
    }
    auto* animation = new QPropertyAnimation(target, property, target);
    animation->setDuration(duration);
    animation->setEasingCurve(easing);
    animation->setEndValue(to);
    target->setProperty(runningKey(property).constData(), QVariant::fromValue<QObject*>(animation));
    QPointer<QObject> guard(target);
    QObject::connect(animation, &QPropertyAnimation::finished, target,
                     [guard, property, finished = std::move(finished)]() {
                         if (guard)
                             guard->setProperty(runningKey(property).constData(), QVariant());
                         if (finished)
                             finished();
                     });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    return animation;
}

} // namespace toolkit
