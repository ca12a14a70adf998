#pragma once
// What the modal dialog host and the drop-down host share: the hosted view,
// the attach point and side, the numeric settings with their clamps, the
// colours, and applying geometry and background to the window widget.

#include "AttachedGeometry.h"

#include <QBrush>
#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QPointer>
#include <QRegion>
#include <QWidget>

class QPainter;

namespace toolkit {

// The outline as a Qt path, still in the system's coordinates (y up).
QPainterPath outlineToPainterPath(const OutlinePath& outline);

// Paints an attached window's background: everything outside the outline
// stays transparent; inside, the `base` picture (the blurred backdrop, when
// there is one, at the window's size), the fill over it, and the border when
// it is wider than 0.
void paintAttachedBackground(QPainter& painter, const QSizeF& windowSize, const OutlinePath& outline,
                             const QBrush& fill, const QColor& border, float borderWidth, double scale = 1.0,
                             const QImage& base = QImage());

// The window area inside the outline, in the window's Qt coordinates: the
// mask of a window whose transparency the desktop cannot show.
QRegion outlineRegion(const QSizeF& windowSize, const OutlinePath& outline);

// The soft shadow a dialog casts where the desktop blends windows: drawn by
// the window itself in a transparent band of kShadowMargin around its body,
// since compositors draw none for frameless windows with per-pixel alpha.
struct AttachedShadow {
    static constexpr int kMargin = 16;     // the band on every side
    static constexpr int kReach = 4;       // each of the three blur passes
    static constexpr int kOffsetDown = 3;  // light from above
    static constexpr double kAlpha = 0.5;
};

// The shadow of the body whose outline is `outline` (system coordinates,
// body of `bodySize`), as an image of the body grown by AttachedShadow::kMargin
// on every side, the body placed at (kMargin, kMargin). Inside the outline
// the image is clear: the shadow never darkens the window's own body.
QImage attachedShadowImage(const QSizeF& bodySize, const OutlinePath& outline);

class BackdropKeeper;

class AttachedWindowCore {
public:
    AttachedWindowCore(QWidget* self, const AttachedStyle& defaults, const QColor& fill, const QColor& border);
    ~AttachedWindowCore();
    AttachedWindowCore(const AttachedWindowCore&) = delete;
    AttachedWindowCore& operator=(const AttachedWindowCore&) = delete;

    // Stores everything, resolves the automatic side, places the window and
    // shows `view` inside it. The window shows the view but does not own it:
    // whoever made the view keeps it, and the view is handed back (without a
    // parent) when the window goes away first.
    void attach(QWidget* view, const QPointF& point, QWidget* parentWindow, int side, float distance);

    QWidget* view() const { return view_; }
    QWidget* parentWindow() const { return window_; }
    QPointF point() const { return point_; }
    int side() const { return side_; }
    float distance() const { return distance_; }
    QRectF viewFrame() const { return settings_.viewFrame(); }   // system coordinates
    QRectF windowFrame() const { return windowFrame_; }          // system screen coordinates, the body
    // The body's place in the window widget: inside the shadow's band, when
    // the window casts one.
    QRect bodyRect() const;
    // The window widget's size: the body and the shadow's band.
    QSize widgetSize() const;
    const AttachedStyle& style() const { return settings_.style(); }

    // The attach point in screen coordinates.
    QPointF screenPoint() const;

    void setPoint(const QPointF& point, int side);

    QBrush backgroundBrush() const { return fill_; }
    void setBackgroundColor(const QColor& color);
    void setBackgroundImage(const QImage& image);
    QColor borderColor() const { return border_; }
    void setBorderColor(const QColor& color);

    void setBorderWidth(float value) { apply(settings_.setBorderWidth(value)); }
    void setViewMargin(float value) { apply(settings_.setViewMargin(value)); }
    void setArrowBaseWidth(float value) { apply(settings_.setArrowBaseWidth(value)); }
    void setArrowHeight(float value) { apply(settings_.setArrowHeight(value)); }
    void setHasArrow(bool value) { apply(settings_.setHasArrow(value)); }
    void setCornerRadius(float value) { apply(settings_.setCornerRadius(value)); }
    void setDrawsRoundCornerBesideArrow(bool value) { apply(settings_.setDrawsRoundCornerBesideArrow(value)); }

    // Geometry and background again, unless a pass is already under way.
    void redisplay();
    void paint(QPainter& painter) const;

    // The blur behind the window (0: none). A translucent fill without a
    // radius of its own gets the strong blur all the same, so the content
    // behind never shows through sharp.
    void setBlurRadius(int radius);
    int blurRadius() const { return blurRadius_; }
    int effectiveBlurRadius() const;
    BackdropKeeper* backdrop() const { return backdrop_; }
    // Whether the window is shaped with a mask because the desktop shows no
    // per-pixel transparency (asked at every geometry pass).
    bool isMasked() const { return masked_; }

    // Whether the window casts a shadow where transparency reaches the
    // screen (there is no room for one in a masked window).
    void setHasShadow(bool value);
    bool hasShadow() const { return hasShadow_; }
    // The transparent band around the body that holds the shadow, 0 when none.
    int shadowMargin() const { return margin_; }

    int bestSideForAutomaticPosition() const;

private:
    // Asks whether a compositor runs and sets the mask decision and the
    // shadow's band from it; true when either changed.
    bool refreshCompositing();
    // Asks about the compositor, then places the window and its view.
    void updateGeometry();
    // Asks about the compositor, then shows the background.
    void updateBackground();
    // The mask (when the window takes one) and a repaint, with what the last
    // question about the compositor answered.
    void showBackground();
    void apply(Rebuild rebuild);

    QWidget* self_;
    QPointer<QWidget> view_;
    QPointer<QWidget> window_;
    QPointF point_;
    int side_ = SideBelow;
    float distance_ = 0;
    AttachedSettings settings_;
    QRectF windowFrame_;
    QBrush fill_;
    QColor border_;
    bool resizing_ = false;
    int blurRadius_ = 0;
    BackdropKeeper* backdrop_ = nullptr; // a child of the window
    bool masked_ = false;
    bool hasShadow_ = false;
    int margin_ = 0;
    mutable QImage shadow_; // built at the first paint after the outline or the body changed
};

// What both attached windows expose of their core, each forwarded once. A
// window derives from its widget class first and from this second.
class AttachedWindowBase {
public:
    void setPoint(const QPointF& point, int side) { core_.setPoint(point, side); }

    QBrush windowBackgroundColor() const { return core_.backgroundBrush(); }
    void setBackgroundColor(const QColor& color) { core_.setBackgroundColor(color); }
    void setBackgroundImage(const QImage& image) { core_.setBackgroundImage(image); }
    QColor borderColor() const { return core_.borderColor(); }
    void setBorderColor(const QColor& color) { core_.setBorderColor(color); }

    float borderWidth() const { return core_.style().borderWidth; }
    float viewMargin() const { return core_.style().viewMargin; }
    float arrowBaseWidth() const { return core_.style().arrowBaseWidth; }
    float arrowHeight() const { return core_.style().arrowHeight; }
    bool hasArrow() const { return core_.style().hasArrow; }
    float cornerRadius() const { return core_.style().cornerRadius; }
    bool drawsRoundCornerBesideArrow() const { return core_.style().drawsRoundCornerBesideArrow; }
    void setBorderWidth(float value) { core_.setBorderWidth(value); }
    void setViewMargin(float value) { core_.setViewMargin(value); }
    void setArrowBaseWidth(float value) { core_.setArrowBaseWidth(value); }
    void setArrowHeight(float value) { core_.setArrowHeight(value); }
    void setHasArrow(bool value) { core_.setHasArrow(value); }
    void setCornerRadius(float value) { core_.setCornerRadius(value); }
    void setDrawsRoundCornerBesideArrow(bool value) { core_.setDrawsRoundCornerBesideArrow(value); }

    bool isExcludedFromWindowsMenu() const { return true; }

    bool hasShadow() const { return core_.hasShadow(); }
    void setHasShadow(bool value) { core_.setHasShadow(value); }
    int shadowMargin() const { return core_.shadowMargin(); }

    // Results of the last geometry pass, in system coordinates.
    QRectF viewFrame() const { return core_.viewFrame(); }
    QRectF windowFrame() const { return core_.windowFrame(); }
    int side() const { return core_.side(); }
    QWidget* view() const { return core_.view(); }

protected:
    AttachedWindowBase(QWidget* self, const AttachedStyle& defaults, const QColor& fill, const QColor& border)
        : core_(self, defaults, fill, border)
    {
    }
    ~AttachedWindowBase() = default;

    // True once for each time the window stops being the active window;
    // called with the window's state on every activation change.
    bool lostActivation(bool active)
    {
        const bool lost = wasActive_ && !active;
        wasActive_ = active;
        return lost;
    }

    AttachedWindowCore core_;

private:
    bool wasActive_ = false;
};

} // namespace toolkit
