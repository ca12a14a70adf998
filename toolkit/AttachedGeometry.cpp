#include "AttachedGeometry.h"

#include <algorithm>
#include <cmath>

namespace toolkit {

bool isLeftSide(int side) { return side == SideLeft || side == SideLeftUp || side == SideLeftDown; }
bool isRightSide(int side) { return side == SideRight || side == SideRightUp || side == SideRightDown; }
bool isAboveSide(int side) { return side == SideAbove || side == SideAboveLeft || side == SideAboveRight; }
bool isBelowSide(int side) { return side == SideBelow || side == SideBelowLeft || side == SideBelowRight; }

AttachedStyle AttachedStyle::dialogDefaults()
{
    AttachedStyle s;
    s.borderWidth = 1.0f;
    s.viewMargin = 2.0f;
    s.arrowBaseWidth = 15.0f;
    s.arrowHeight = 10.0f;
    s.hasArrow = false;
    s.cornerRadius = 4.0f;
    s.drawsRoundCornerBesideArrow = true;
    return s;
}

AttachedStyle AttachedStyle::dropDownDefaults()
{
    AttachedStyle s;
    s.borderWidth = 1.0f;
    s.viewMargin = 2.0f;
    s.arrowBaseWidth = 0.0f;
    s.arrowHeight = 0.0f;
    s.hasArrow = true;
    s.cornerRadius = 4.0f;
    s.drawsRoundCornerBesideArrow = true;
    return s;
}

float arrowInset(const AttachedStyle& style, double scale)
{
    const double corner = style.drawsRoundCornerBesideArrow ? style.cornerRadius : 0.0;
    return static_cast<float>((style.arrowBaseWidth / 2.0 + corner) * scale);
}

AttachedGeometry computeGeometry(const QSizeF& viewSize, const QPointF& screenPoint, int side,
                                 float distance, const AttachedStyle& style, double scale)
{
    const double m = style.viewMargin * scale;
    const double a = style.arrowHeight * scale;

    QRectF viewFrame(m, m, viewSize.width(), viewSize.height());
    double width = viewSize.width() + 2 * m;
    double height = viewSize.height() + 2 * m;

    // Room for the arrow is reserved whether or not the arrow is drawn.
    if (isLeftSide(side)) {
        width += a;
    } else if (isRightSide(side)) {
        viewFrame.moveLeft(viewFrame.x() + a);
        width += a;
    } else if (isAboveSide(side)) {
        viewFrame.moveTop(viewFrame.y() + a); // QRectF's "top" is our bottom edge
        height += a;
    } else if (isBelowSide(side)) {
        height += a;
    }

    const double px = screenPoint.x();
    const double py = screenPoint.y();
    const double d = distance;
    const double i = arrowInset(style, scale);
    const double halfW = static_cast<float>(width) / 2.0f;
    const double halfH = static_cast<float>(height) / 2.0f;

    double x = px;
    double y = py;
    switch (side) {
    case SideLeft: x = px - width - d; y = py - halfH; break;
    case SideBelow: x = px - halfW; y = py - height - d; break;
    case SideRight: x = px + d; y = py - halfH; break;
    case SideAbove: x = px - halfW; y = py + d; break;
    case SideLeftUp: x = px - width - d; y = py - i; break;
    case SideLeftDown: x = px - width - d; y = py - (height - i); break;
    case SideRightUp: x = px + d; y = py - i; break;
    case SideRightDown: x = px + d; y = py - (height - i); break;
    case SideAboveLeft: x = px - (width - i); y = py + d; break;
    case SideAboveRight: x = px - i; y = py + d; break;
    case SideBelowLeft: x = px - (width - i); y = py - height - d; break;
    case SideBelowRight: x = px - i; y = py - height - d; break;
    default: break; // unresolved or unknown side: the window sits at the point
    }

    return AttachedGeometry{QRectF(x, y, width, height), viewFrame};
}

int bestSideForAutomaticPosition(const QSizeF& viewSize, const QPointF& p, float distance,
                                 const AttachedStyle& style, const QRectF& screen,
                                 const std::optional<QRectF>& parentFrame, double scale)
{
    const double m = style.viewMargin * scale;
    const double w = viewSize.width() + 2 * m;
    const double h = viewSize.height() + 2 * m;
    const double g = static_cast<float>(style.arrowHeight * scale + distance);

    int side = SideBelow;
    if (p.y() - h - g < minY(screen)) {
        if (p.x() + w + g >= maxX(screen)) {
            if (p.x() - w - g < minX(screen))
                side = (p.y() + h + g < maxY(screen)) ? SideAbove : SideBelow;
            else
                side = SideLeft;
        } else {
            side = SideRight;
        }
    }

    const QRectF parent = parentFrame.value_or(screen);
    const double i = arrowInset(style, scale);
    const double halfW = static_cast<float>(w) / 2.0f;
    const double halfH = static_cast<float>(h) / 2.0f;

    if (side == SideBelow || side == SideAbove) {
        if (p.x() - halfW < minX(parent)) {
            if (p.x() + w - i < maxX(screen))
                side = (side == SideBelow) ? SideBelowRight : SideAboveRight;
        } else if (p.x() + halfW >= maxX(parent)) {
            if (p.x() - w + i >= minX(screen))
                side = (side == SideBelow) ? SideBelowLeft : SideAboveLeft;
        }
    } else if (side == SideLeft || side == SideRight) {
        if (p.y() - halfH < minY(parent)) {
            if (p.y() + h - i < maxY(screen))
                side = (side == SideRight) ? SideRightUp : SideLeftUp;
        } else if (p.y() + halfH >= maxY(parent)) {
            if (p.y() - h + i >= minY(screen))
                side = (side == SideRight) ? SideRightDown : SideLeftDown;
        }
    }
    return side;
}

namespace {

// The corner the arrow sits in for the sides that place it at a corner.
std::optional<Corner> arrowCorner(int side)
{
    switch (side) {
    case SideRightDown:
    case SideBelowRight: return Corner::TopLeft;
    case SideLeftDown:
    case SideBelowLeft: return Corner::TopRight;
    case SideLeftUp:
    case SideAboveLeft: return Corner::BottomRight;
    case SideRightUp:
    case SideAboveRight: return Corner::BottomLeft;
    default: return std::nullopt;
    }
}

class OutlineBuilder {
public:
    OutlineBuilder(int side, const AttachedStyle& style, double scale)
        : side_(side), style_(style), aw_(style.arrowBaseWidth * scale),
          ha_(static_cast<float>(aw_) / 2.0f), ah_(style.arrowHeight * scale)
    {
    }

    void moveTo(double x, double y) { add({OutlineElement::MoveTo, {x, y}, {}, 0}); }
    void lineTo(double x, double y) { add({OutlineElement::LineTo, {x, y}, {}, 0}); }
    void arc(QPointF corner, QPointF toward, double r) { add({OutlineElement::ArcTo, corner, toward, r}); }
    void close() { add({OutlineElement::Close, current_, {}, 0}); }

    // Appends the arrow from the current point, pointing away from the body.
    void arrow()
    {
        if (!style_.hasArrow)
            return;
        const QPointF c = current_;
        if (isLeftSide(side_)) {
            lineTo(c.x() + ah_, c.y() - ha_);
            lineTo(c.x(), c.y() - aw_);
        } else if (isRightSide(side_)) {
            lineTo(c.x() - ah_, c.y() + ha_);
            lineTo(c.x(), c.y() + aw_);
        } else if (isAboveSide(side_)) {
            lineTo(c.x() - ha_, c.y() - ah_);
            lineTo(c.x() - aw_, c.y());
        } else if (isBelowSide(side_)) {
            lineTo(c.x() + ha_, c.y() + ah_);
            lineTo(c.x() + aw_, c.y());
        }
    }

    bool hasArrow() const { return style_.hasArrow; }
    double aw() const { return aw_; }
    double ha() const { return ha_; }
    OutlinePath take() { return std::move(path_); }

private:
    void add(const OutlineElement& e)
    {
        path_.push_back(e);
        if (e.kind == OutlineElement::ArcTo) {
            // The arc ends where the second tangent touches it: r away from
            // the corner toward `toward` (the corners here are right angles).
            const QPointF d = e.toward - e.point;
            const double len = std::hypot(d.x(), d.y());
            current_ = len > 0 ? e.point + d * (e.radius / len) : e.point;
        } else if (e.kind != OutlineElement::Close) {
            current_ = e.point;
        }
    }

    int side_;
    AttachedStyle style_;
    double aw_;
    double ha_;
    double ah_;
    QPointF current_;
    OutlinePath path_;
};

} // namespace

bool cornerIsRounded(Corner corner, int side, const AttachedStyle& style, double scale)
{
    const double r = style.cornerRadius * scale;
    if (r <= 0)
        return false;
    return style.drawsRoundCornerBesideArrow || arrowCorner(side) != corner;
}

OutlinePath backgroundPath(const QRectF& viewFrame, int side, const AttachedStyle& style, double scale)
{
    const double r = style.cornerRadius * scale;
    const double m = style.viewMargin * scale;
    const QRectF content = viewFrame.adjusted(-m, -m, m, m);

    // Edges on whole pixels, pulled inward, so that the stroke (twice the
    // border width, half of it clipped away) stays inside the window.
    const double x0 = std::ceil(minX(content) * scale + 0.5);
    const double x1 = std::floor(maxX(content) * scale - 0.5);
    const double y0 = std::ceil(minY(content) * scale + 0.5);
    const double y1 = std::floor(maxY(content) * scale - 0.5);
    const double mx = midX(content) * scale;
    const double my = midY(content) * scale;

    const bool tl = cornerIsRounded(Corner::TopLeft, side, style, scale);
    const bool tr = cornerIsRounded(Corner::TopRight, side, style, scale);
    const bool br = cornerIsRounded(Corner::BottomRight, side, style, scale);
    const bool bl = cornerIsRounded(Corner::BottomLeft, side, style, scale);

    OutlineBuilder b(side, style, scale);
    const double aw = b.aw();
    const double ha = b.ha();
    const bool arrow = b.hasArrow();

    // Top edge, left to right; the arrow of the "below" sides points up.
    b.moveTo(tl ? x0 + r : x0, y1);
    const double topEnd = tr ? x1 - r : x1;
    if (arrow) {
        if (side == SideBelowRight) {
            b.arrow();
        } else if (side == SideBelow) {
            b.lineTo(mx - ha, y1);
            b.arrow();
        } else if (side == SideBelowLeft) {
            b.lineTo(topEnd - aw, y1);
            b.arrow();
        }
    }
    b.lineTo(topEnd, y1);
    if (tr)
        b.arc({x1, y1}, {x1, y1 - r}, r);

    // Right edge, downward; the arrow of the "left" sides points right.
    const double rightEnd = br ? y0 + r : y0;
    if (arrow) {
        if (side == SideLeftDown) {
            b.arrow();
        } else if (side == SideLeft) {
            b.lineTo(x1, my + ha);
            b.arrow();
        } else if (side == SideLeftUp) {
            b.lineTo(x1, rightEnd + aw);
            b.arrow();
        }
    }
    b.lineTo(x1, rightEnd);
    if (br)
        b.arc({x1, y0}, {x1 - r, y0}, r);

    // Bottom edge, right to left; the arrow of the "above" sides points down.
    const double bottomEnd = bl ? x0 + r : x0;
    if (arrow) {
        if (side == SideAboveLeft) {
            b.arrow();
        } else if (side == SideAbove) {
            b.lineTo(mx + ha, y0);
            b.arrow();
        } else if (side == SideAboveRight) {
            b.lineTo(bottomEnd + aw, y0);
            b.arrow();
        }
    }
    b.lineTo(bottomEnd, y0);
    if (bl)
        b.arc({x0, y0}, {x0, y0 + r}, r);

    // Left edge, upward; the arrow of the "right" sides points left.
    const double leftEnd = tl ? y1 - r : y1;
    if (arrow) {
        if (side == SideRightUp) {
            b.arrow();
        } else if (side == SideRight) {
            b.lineTo(x0, my - ha);
            b.arrow();
        } else if (side == SideRightDown) {
            b.lineTo(x0, leftEnd - aw);
            b.arrow();
        }
    }
    b.lineTo(x0, leftEnd);
    if (tl)
        b.arc({x0, y1}, {x0 + r, y1}, r);
    b.close();
    return b.take();
}

Rebuild AttachedSettings::setBorderWidth(float value)
{
    if (value == style_.borderWidth)
        return Rebuild::Nothing;
    style_.borderWidth = std::min(value, style_.viewMargin);
    return Rebuild::Background;
}

Rebuild AttachedSettings::setViewMargin(float value)
{
    if (value == style_.viewMargin)
        return Rebuild::Nothing;
    style_.viewMargin = std::max(value, 0.0f);
    // The radius and the arrow width are bounded by the margin: clamp again.
    return setCornerRadius(style_.cornerRadius);
}

Rebuild AttachedSettings::setCornerRadius(float value)
{
    const double shortSide = std::min(viewFrame_.width(), viewFrame_.height());
    const double maxRadius = (shortSide + 2.0 * style_.viewMargin - style_.arrowBaseWidth) / 2.0;
    style_.cornerRadius = static_cast<float>(std::max(0.0, std::min<double>(value, maxRadius)));
    return setArrowBaseWidth(style_.arrowBaseWidth);
}

Rebuild AttachedSettings::setArrowBaseWidth(float value)
{
    const double shortSide = std::min(viewFrame_.width(), viewFrame_.height());
    double maxWidth = shortSide + 2.0 * style_.viewMargin - style_.cornerRadius;
    if (style_.drawsRoundCornerBesideArrow)
        maxWidth -= style_.cornerRadius;
    // A view too small for any arrow gets none rather than a negative one.
    style_.arrowBaseWidth = static_cast<float>(std::max(0.0, std::min<double>(value, maxWidth)));
    return Rebuild::Redisplay;
}

Rebuild AttachedSettings::setArrowHeight(float value)
{
    if (value == style_.arrowHeight)
        return Rebuild::Nothing;
    style_.arrowHeight = value;
    return Rebuild::Redisplay;
}

Rebuild AttachedSettings::setHasArrow(bool value)
{
    if (value == style_.hasArrow)
        return Rebuild::Nothing;
    style_.hasArrow = value;
    return Rebuild::Background;
}

Rebuild AttachedSettings::setDrawsRoundCornerBesideArrow(bool value)
{
    if (value == style_.drawsRoundCornerBesideArrow)
        return Rebuild::Nothing;
    style_.drawsRoundCornerBesideArrow = value;
    return Rebuild::Redisplay;
}

} // namespace toolkit
