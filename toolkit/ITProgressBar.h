#pragma once
// The animated bar of the long erase runs: a rounded track, a blue gradient
// fill as wide as the fraction `floatValue` (0–1), faint diagonal stripes
// scrolling through the fill, and a fade when hidden or shown.

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QVector>
#include <QWidget>

class QGraphicsOpacityEffect;
class QVariantAnimation;

class ITProgressBar : public QWidget {
    Q_OBJECT
    Q_PROPERTY(double floatValue READ floatValue WRITE setFloatValue)
    Q_PROPERTY(double fadeOpacity READ fadeOpacity WRITE setFadeOpacity)
public:
    static constexpr int kStripeTileWidth = 30;
    static constexpr int kStripeTileHeight = 10;
    static constexpr double kStripesOpacity = 0.04;

    explicit ITProgressBar(QWidget* parent = nullptr);
    ITProgressBar(const QRect& frame, QWidget* parent);
    ~ITProgressBar() override;

    // Stores a fraction within 0–1 and redraws at once. Anything else (NaN
    // included) is refused with a log line, keeping the old value; returns
    // whether the value was taken.
    bool setFloatValue(double value);
    double floatValue() const { return floatValue_; }

    // The same through the animator: the fill glides to `value` (ease in,
    // ease out). Refused like setFloatValue.
    bool animateFloatValue(double value);

    // Hiding fades out, then hides and stops the stripes; showing appears at
    // once, fades in and starts the stripes again.
    void setVisible(bool visible) override;

    bool animates() const { return animates_; }
    void setAnimates(bool animates);
    // Whether the stripe motion is installed now.
    bool hasStripeAnimation() const;
    double stripesOpacity() const { return stripesOpacity_; }

    double animationDuration() const { return animationDuration_; }
    void setAnimationDuration(double seconds);

    QColor colorTint() const { return colorTint_; }
    void setColorTint(const QColor& tint);
    double colorTintOpacity() const { return colorTintOpacity_; }
    void setColorTintOpacity(double opacity);
    QVector<QColor> backgroundColors() const { return backgroundColors_; }
    void setBackgroundColors(const QVector<QColor>& colors);
    QVector<QColor> fillColors() const { return fillColors_; }

    double borderWidth() const { return borderWidth_; }
    void setBorderWidth(double width);
    double shadowWidth() const { return shadowWidth_; }
    void setShadowWidth(double width);
    QColor borderColor() const { return borderColor_; }
    void setBorderColor(const QColor& color) { borderColor_ = color; }
    QImage stripesImage() const { return stripesImage_; }
    void setStripesImage(const QImage& image) { stripesImage_ = image; }

    bool it_isHidden() const { return itIsHidden_; }

    // The filled part, in widget coordinates.
    QRectF innerClipRect() const;

    static QImage stripesImageWithSize(const QSize& size);
    // Transparent; null for an empty size.
    static QImage borderImageForSize(const QSize& size, bool innerShadow);

    double fadeOpacity() const;
    void setFadeOpacity(double opacity);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setUp();
    void addStripeAnimation();
    void removeStripeAnimation();

    bool animates_ = false;
    bool itIsHidden_ = false;
    QImage stripesImage_;
    QColor borderColor_;
    double floatValue_ = 1.0;
    QColor colorTint_;
    double colorTintOpacity_ = 0.2;
    double animationDuration_ = 1.0;
    double borderWidth_ = 0;
    double shadowWidth_ = 0;
    QVector<QColor> backgroundColors_;
    QVector<QColor> fillColors_;
    double stripesOpacity_ = kStripesOpacity;
    double stripePhase_ = 0;  // 0..1 of one tile width
    QPointer<QVariantAnimation> stripes_;
    QGraphicsOpacityEffect* fade_ = nullptr;
};
