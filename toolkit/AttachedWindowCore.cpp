#include "AttachedWindowCore.h"

#include "Backdrop.h"
#include "Coordinates.h"

#include "platform/gui/Compositing.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace toolkit {

namespace {

// Appends the arc that turns from the current point at `corner` toward
// `toward`, tangent to both lines (a rounded corner of radius `r`).
void appendCornerArc(QPainterPath& path, const QPointF& corner, const QPointF& toward, double r)
{
    const QPointF p0 = path.currentPosition();
    const QPointF v1 = p0 - corner;
    const QPointF v2 = toward - corner;
    const double l1 = std::hypot(v1.x(), v1.y());
    const double l2 = std::hypot(v2.x(), v2.y());
    if (r <= 0 || l1 <= 0 || l2 <= 0) {
        path.lineTo(corner);
        return;
    }
    const QPointF u1 = v1 / l1;
    const QPointF u2 = v2 / l2;
    const double cosTheta = std::clamp(u1.x() * u2.x() + u1.y() * u2.y(), -1.0, 1.0);
    const double theta = std::acos(cosTheta);
    if (theta <= 1e-9 || theta >= M_PI - 1e-9) {
        path.lineTo(corner);
        return;
    }
    const double t = r / std::tan(theta / 2);
    const QPointF t1 = corner + u1 * t;
    const QPointF t2 = corner + u2 * t;
    QPointF bisector = u1 + u2;
    bisector /= std::hypot(bisector.x(), bisector.y());
    const QPointF centre = corner + bisector * (r / std::sin(theta / 2));

    path.lineTo(t1);
    // QPainterPath angles: 0 at 3 o'clock, positive toward -y.
    const auto angleOf = [&](const QPointF& p) {
        return std::atan2(-(p.y() - centre.y()), p.x() - centre.x()) * 180.0 / M_PI;
    };
    const double a0 = angleOf(t1);
    double sweep = angleOf(t2) - a0;
    while (sweep > 180)
        sweep -= 360;
    while (sweep <= -180)
        sweep += 360;
    path.arcTo(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), a0, sweep);
}

} // namespace

QPainterPath outlineToPainterPath(const OutlinePath& outline)
{
    QPainterPath path;
    for (const OutlineElement& e : outline) {
        switch (e.kind) {
        case OutlineElement::MoveTo: path.moveTo(e.point); break;
        case OutlineElement::LineTo: path.lineTo(e.point); break;
        case OutlineElement::ArcTo: appendCornerArc(path, e.point, e.toward, e.radius); break;
        case OutlineElement::Close: path.closeSubpath(); break;
        }
    }
    return path;
}

void paintAttachedBackground(QPainter& painter, const QSizeF& windowSize, const OutlinePath& outline,
                             const QBrush& fill, const QColor& border, float borderWidth, double scale,
                             const QImage& base)
{
    const QPainterPath path = outlineToPainterPath(outline);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QTransform unflipped = painter.transform();
    painter.setTransform(flipTransform(windowSize.height()), true);
    painter.setClipPath(path);
    // The fill brush may be an image pattern: fill without the flip so the
    // pattern stays upright (the clip keeps its shape).
    painter.save();
    painter.setTransform(unflipped);
    if (!base.isNull())
        painter.drawImage(QRectF(QPointF(0, 0), windowSize), base);
    painter.fillRect(QRectF(QPointF(0, 0), windowSize), fill);
    painter.restore();
    if (borderWidth > 0) {
        // Twice the width, centred on the outline: the clip removes the outer
        // half, so the visible border is `borderWidth` wide.
        QPen pen(border, 2.0 * borderWidth * scale);
        pen.setJoinStyle(Qt::RoundJoin);
        painter.strokePath(path, pen);
    }
    painter.restore();
}

QRegion outlineRegion(const QSizeF& windowSize, const OutlinePath& outline)
{
    const QPainterPath path = flipTransform(windowSize.height()).map(outlineToPainterPath(outline));
    return QRegion(path.toFillPolygon().toPolygon(), Qt::WindingFill);
}

QImage attachedShadowImage(const QSizeF& bodySize, const OutlinePath& outline)
{
    const int m = AttachedShadow::kMargin;
    const QSize size = QSizeF(bodySize.width() + 2 * m, bodySize.height() + 2 * m).toSize();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (bodySize.isEmpty())
        return image;
    const QPainterPath body = flipTransform(bodySize.height()).map(outlineToPainterPath(outline));
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, int(AttachedShadow::kAlpha * 255)));
        p.drawPath(body.translated(m, m + AttachedShadow::kOffsetDown));
    }
    image = blurSoftly(image, AttachedShadow::kReach);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPath(body.translated(m, m));
    return image;
}

AttachedWindowCore::AttachedWindowCore(QWidget* self, const AttachedStyle& defaults, const QColor& fill,
                                       const QColor& border)
    : self_(self), settings_(defaults), fill_(fill), border_(border)
{
    backdrop_ = new BackdropKeeper(self_, effectiveBlurRadius());
}

void AttachedWindowCore::setBlurRadius(int radius)
{
    blurRadius_ = std::max(0, radius);
    backdrop_->setRadius(effectiveBlurRadius());
    if (self_->isVisible())
        backdrop_->refresh();
}

int AttachedWindowCore::effectiveBlurRadius() const
{
    if (blurRadius_ > 0)
        return blurRadius_;
    const bool translucentFill = fill_.style() == Qt::SolidPattern && fill_.color().alphaF() < 1.0;
    return translucentFill ? 400 : 0;
}

AttachedWindowCore::~AttachedWindowCore()
{
    // Hand the view back to whoever made it.
    if (view_ && view_->parentWidget() == self_) {
        view_->hide();
        view_->setParent(nullptr);
    }
}

void AttachedWindowCore::attach(QWidget* view, const QPointF& point, QWidget* parentWindow, int side,
                                float distance)
{
    view_ = view;
    window_ = parentWindow;
    point_ = point;
    side_ = side;
    distance_ = distance;
    if (side_ == SideAutomatic)
        side_ = bestSideForAutomaticPosition();
    resizing_ = true;
    updateGeometry();
    showBackground();
    resizing_ = false;
    if (view_) {
        view_->setParent(self_);
        view_->setGeometry(flipRect(settings_.viewFrame(), windowFrame_.height()).toRect().translated(margin_, margin_));
        view_->show();
    }
}

QPointF AttachedWindowCore::screenPoint() const
{
    return window_ ? convertBaseToScreen(window_, point_) : point_;
}

int AttachedWindowCore::bestSideForAutomaticPosition() const
{
    const QScreen* screen = nullptr;
    if (window_)
        screen = window_->screen();
    const QRectF visible = systemVisibleFrame(screen);
    std::optional<QRectF> parent;
    if (window_)
        parent = systemFrameOfWindow(window_);
    const QSizeF viewSize = view_ ? QSizeF(view_->size()) : QSizeF();
    return toolkit::bestSideForAutomaticPosition(viewSize, screenPoint(), distance_, settings_.style(),
                                                 visible, parent);
}

void AttachedWindowCore::setPoint(const QPointF& point, int side)
{
    point_ = point;
    side_ = side;
    if (side_ == SideAutomatic)
        side_ = bestSideForAutomaticPosition();
    redisplay();
}

QRect AttachedWindowCore::bodyRect() const
{
    return QRect(QPoint(margin_, margin_), self_->size() - QSize(2 * margin_, 2 * margin_));
}

QSize AttachedWindowCore::widgetSize() const
{
    return windowFrame_.size().toSize() + QSize(2 * margin_, 2 * margin_);
}

void AttachedWindowCore::setHasShadow(bool value)
{
    if (hasShadow_ == value)
        return;
    hasShadow_ = value;
    // Before the view is attached there is nothing to place yet.
    if (view_)
        redisplay();
}

bool AttachedWindowCore::refreshCompositing()
{
    // Without a compositing manager the transparent corners and the arrow's
    // room would show black: the window takes the outline's shape instead,
    // and a shadow would have nowhere to fall.
    const bool masked = !platform::compositingManagerRunning();
    const int margin = !masked && hasShadow_ ? AttachedShadow::kMargin : 0;
    const bool changed = masked != masked_ || margin != margin_;
    masked_ = masked;
    margin_ = margin;
    backdrop_->setInset(margin_);
    setShadowBand(self_, margin_);
    return changed;
}

void AttachedWindowCore::updateGeometry()
{
    refreshCompositing();
    const QSizeF viewSize = view_ ? QSizeF(view_->size()) : QSizeF();
    const AttachedGeometry g = computeGeometry(viewSize, screenPoint(), side_, distance_, settings_.style());
    settings_.setViewFrame(g.viewFrame);
    // Whole points on screen; the sizes are whole already.
    windowFrame_ = QRectF(std::floor(g.windowFrame.x() + 0.5), std::floor(g.windowFrame.y() + 0.5),
                          std::ceil(g.windowFrame.width()), std::ceil(g.windowFrame.height()));
    // The body keeps its place on screen; the shadow's band lies around it.
    self_->setGeometry(screenRectToQt(windowFrame_).toRect().adjusted(-margin_, -margin_, margin_, margin_));
    if (view_)
        view_->setGeometry(flipRect(g.viewFrame, windowFrame_.height()).toRect().translated(margin_, margin_));
    shadow_ = QImage();
}

void AttachedWindowCore::updateBackground()
{
    const int before = margin_;
    if (refreshCompositing() && margin_ != before) {
        // A compositor came or went: the band around the body changes, the
        // body stays where it is (it may have been moved since it was placed).
        const int d = margin_ - before;
        self_->setGeometry(self_->geometry().adjusted(-d, -d, d, d));
        if (view_)
            view_->move(view_->pos() + QPoint(d, d));
        shadow_ = QImage();
    }
    showBackground();
}

void AttachedWindowCore::showBackground()
{
    if (masked_)
        self_->setMask(outlineRegion(QSizeF(self_->size()),
                                     backgroundPath(settings_.viewFrame(), side_, settings_.style())));
    else if (!self_->mask().isEmpty())
        self_->clearMask();
    self_->update();
}

void AttachedWindowCore::redisplay()
{
    if (resizing_)
        return;
    resizing_ = true;
    self_->setUpdatesEnabled(false);
    // The geometry pass has just asked about the compositor.
    updateGeometry();
    showBackground();
    self_->setUpdatesEnabled(true);
    resizing_ = false;
}

void AttachedWindowCore::apply(Rebuild rebuild)
{
    switch (rebuild) {
    case Rebuild::Nothing: break;
    case Rebuild::Background:
        // The outline may have changed (the arrow), and the shadow with it.
        shadow_ = QImage();
        updateBackground();
        break;
    case Rebuild::Redisplay: redisplay(); break;
    }
}

void AttachedWindowCore::setBackgroundColor(const QColor& color)
{
    if (fill_.style() == Qt::SolidPattern && fill_.color() == color)
        return;
    fill_ = QBrush(color);
    backdrop_->setRadius(effectiveBlurRadius());
    updateBackground();
}

void AttachedWindowCore::setBackgroundImage(const QImage& image)
{
    if (image.isNull())
        return;
    fill_ = QBrush(image);
    backdrop_->setRadius(effectiveBlurRadius());
    updateBackground();
}

void AttachedWindowCore::setBorderColor(const QColor& color)
{
    if (border_ == color)
        return;
    border_ = color;
    updateBackground();
}

void AttachedWindowCore::paint(QPainter& painter) const
{
    const QRect body = bodyRect();
    const OutlinePath outline = backgroundPath(settings_.viewFrame(), side_, settings_.style());
    if (margin_ > 0) {
        if (shadow_.isNull())
            shadow_ = attachedShadowImage(QSizeF(body.size()), outline);
        painter.drawImage(QPoint(body.x() - AttachedShadow::kMargin, body.y() - AttachedShadow::kMargin), shadow_);
    }
    painter.save();
    painter.translate(body.topLeft());
    paintAttachedBackground(painter, QSizeF(body.size()), outline, fill_, border_, settings_.style().borderWidth, 1.0,
                            effectiveBlurRadius() > 0 ? backdrop_->picture() : QImage());
    painter.restore();
}

} // namespace toolkit
