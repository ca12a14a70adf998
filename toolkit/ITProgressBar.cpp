#include "ITProgressBar.h"

#include "Animation.h"
#include "platform/Log.h"

#include <QGraphicsOpacityEffect>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>
#include <cmath>

namespace {

constexpr double kRadius = 4.0;

bool isFraction(double value) { return !std::isnan(value) && value >= 0.0 && value <= 1.0; }

void logInvalidValue(double value)
{
    platform::log(QStringLiteral("Invalid value: Invalid value passed for setFloatValue:. Value must be between 0.0 "
                                 "and 1.0 (got %1)")
                      .arg(value));
}

// A vertical gradient with the first colour at the bottom edge.
QLinearGradient upwardGradient(const QRectF& rect, const QVector<QColor>& colors)
{
    QLinearGradient gradient(rect.bottomLeft(), rect.topLeft());
    if (colors.size() == 1) {
        gradient.setColorAt(0, colors[0]);
        gradient.setColorAt(1, colors[0]);
    }
    for (int i = 0; colors.size() > 1 && i < colors.size(); ++i)
        gradient.setColorAt(double(i) / (colors.size() - 1), colors[i]);
    return gradient;
}

} // namespace

ITProgressBar::ITProgressBar(QWidget* parent) : QWidget(parent)
{
    setUp();
}

ITProgressBar::ITProgressBar(const QRect& frame, QWidget* parent) : QWidget(parent)
{
    setGeometry(frame);
    setUp();
}

ITProgressBar::~ITProgressBar()
{
    removeStripeAnimation();
}

void ITProgressBar::setUp()
{
    itIsHidden_ = false;
    stripesImage_ = stripesImageWithSize(QSize(kStripeTileWidth, kStripeTileHeight));
    borderColor_ = QColor(221, 221, 223);
    floatValue_ = 1.0;
    colorTint_ = QColor();
    colorTintOpacity_ = 0.2;
    animationDuration_ = 1.0;
    borderWidth_ = 0;
    shadowWidth_ = 0;
    backgroundColors_ = {QColor(221, 221, 223), QColor(221, 221, 223)};
    fillColors_ = {QColor(31, 167, 242), QColor(10, 103, 230)};
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    fade_ = new QGraphicsOpacityEffect(this);
    fade_->setOpacity(1.0);
    setGraphicsEffect(fade_);
    animates_ = false;
    setAnimates(true); // the bar starts full, stripes moving
}

bool ITProgressBar::setFloatValue(double value)
{
    if (!isFraction(value)) {
        logInvalidValue(value);
        return false;
    }
    floatValue_ = value;
    update();
    return true;
}

bool ITProgressBar::animateFloatValue(double value)
{
    if (!isFraction(value)) {
        logInvalidValue(value);
        return false;
    }
    toolkit::animateProperty(this, "floatValue", value, toolkit::kDefaultAnimationMs, QEasingCurve::InOutQuad);
    return true;
}

QRectF ITProgressBar::innerClipRect() const
{
    QRectF inner = QRectF(rect()).adjusted(borderWidth_, borderWidth_, -borderWidth_, -borderWidth_);
    inner.setWidth(std::max(0.0, inner.width()) * floatValue_);
    return inner;
}

double ITProgressBar::fadeOpacity() const { return fade_ ? fade_->opacity() : 1.0; }

void ITProgressBar::setFadeOpacity(double opacity)
{
    if (fade_)
        fade_->setOpacity(opacity);
}

void ITProgressBar::setVisible(bool visible)
{
    const bool hide = !visible;
    itIsHidden_ = hide;
    if (hide) {
        if (isHidden())
            return;
        if (!isVisible()) {
            // Not on screen: nothing to fade.
            QWidget::setVisible(false);
            removeStripeAnimation();
            return;
        }
        toolkit::animateProperty(this, "fadeOpacity", 0.0, toolkit::kDefaultAnimationMs, QEasingCurve::InOutQuad,
                                 [this] {
                                     if (itIsHidden_) {
                                         QWidget::setVisible(false);
                                         removeStripeAnimation();
                                     }
                                 });
        return;
    }
    QWidget::setVisible(true);
    toolkit::animateProperty(this, "fadeOpacity", 1.0, toolkit::kDefaultAnimationMs, QEasingCurve::InOutQuad);
    if (animates_)
        addStripeAnimation();
}

void ITProgressBar::setAnimates(bool animates)
{
    if (animates == animates_)
        return;
    animates_ = animates;
    if (animates) {
        if (!itIsHidden_)
            addStripeAnimation();
        stripesOpacity_ = kStripesOpacity;
    } else {
        stripesOpacity_ = 0.0;
        removeStripeAnimation();
    }
    update();
}

bool ITProgressBar::hasStripeAnimation() const
{
    return stripes_ && stripes_->state() == QAbstractAnimation::Running;
}

void ITProgressBar::addStripeAnimation()
{
    if (stripes_ || !animates_ || itIsHidden_)
        return;
    auto* animation = new QVariantAnimation(this);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->setDuration(std::max(1, static_cast<int>(std::lround(animationDuration_ * 1000))));
    animation->setLoopCount(-1);
    animation->setEasingCurve(QEasingCurve::Linear);
    connect(animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        stripePhase_ = v.toDouble();
        update();
    });
    stripes_ = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void ITProgressBar::removeStripeAnimation()
{
    if (stripes_) {
        stripes_->stop(); // deletes itself
        stripes_ = nullptr;
    }
    stripePhase_ = 0;
}

void ITProgressBar::setAnimationDuration(double seconds)
{
    animationDuration_ = seconds;
    if (animates_) {
        setAnimates(false);
        removeStripeAnimation();
        setAnimates(true);
    }
}

void ITProgressBar::setColorTint(const QColor& tint)
{
    colorTint_ = tint;
    update();
}

void ITProgressBar::setColorTintOpacity(double opacity)
{
    colorTintOpacity_ = opacity;
    update();
}

void ITProgressBar::setBackgroundColors(const QVector<QColor>& colors)
{
    backgroundColors_ = colors;
    update();
}

void ITProgressBar::setBorderWidth(double width)
{
    borderWidth_ = width;
    if (shadowWidth_ > width)
        shadowWidth_ = width;
}

void ITProgressBar::setShadowWidth(double width)
{
    if (width > borderWidth_) {
        platform::log(QStringLiteral("Warning: Line width must be at least as large as shadow width"));
        return;
    }
    shadowWidth_ = width;
}

QImage ITProgressBar::stripesImageWithSize(const QSize& size)
{
    QImage tile(size, QImage::Format_ARGB32_Premultiplied);
    tile.fill(Qt::white);
    QPainter p(&tile);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    const double w = size.width(), h = size.height();
    // Drawn with y down: a band from the top-right to the bottom-left, and
    // the corner piece that continues the neighbouring band.
    p.drawPolygon(QPolygonF({QPointF(w, 0), QPointF(w, h / 2), QPointF(w / 2, h), QPointF(0, h)}));
    p.drawPolygon(QPolygonF({QPointF(0, 0), QPointF(w / 2, 0), QPointF(0, h / 2)}));
    return tile;
}

QImage ITProgressBar::borderImageForSize(const QSize& size, bool)
{
    if (size.width() <= 0 || size.height() <= 0)
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void ITProgressBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    update();
}

void ITProgressBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();

    QPainterPath clip;
    clip.addRoundedRect(bounds, kRadius, kRadius);
    p.setClipPath(clip);
    p.fillRect(bounds, upwardGradient(bounds, backgroundColors_));

    const QRectF inner = innerClipRect();
    if (inner.width() <= 0 || inner.height() <= 0)
        return;
    QPainterPath innerClip;
    innerClip.addRoundedRect(inner, kRadius, kRadius);
    p.setClipPath(innerClip, Qt::IntersectClip);
    p.fillRect(bounds, upwardGradient(bounds, fillColors_));

    if (stripesOpacity_ > 0 && !stripesImage_.isNull()) {
        const int tileW = stripesImage_.width();
        const int tileH = stripesImage_.height();
        const double x = -tileW + stripePhase_ * tileW;
        const double width = (std::ceil(bounds.width() / tileW) + 1) * tileW;
        // Tiles start at the bottom edge, as a pattern does in a layer.
        const double y0 = bounds.height() - std::ceil(bounds.height() / tileH) * tileH;
        QBrush brush(stripesImage_);
        brush.setTransform(QTransform::fromTranslate(x, y0));
        p.setOpacity(stripesOpacity_);
        p.fillRect(QRectF(x, 0, width, bounds.height()), brush);
        p.setOpacity(1.0);
    }
    if (colorTint_.isValid()) {
        p.setOpacity(colorTintOpacity_);
        p.fillRect(bounds, colorTint_);
        p.setOpacity(1.0);
    }
}
