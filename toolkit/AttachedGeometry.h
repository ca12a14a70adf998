#pragma once
// Geometry shared by the attached windows (the modal dialog host and the
// drop-down host): where the window goes relative to an attach point, which
// side suits the point automatically, and the outline of the background.
//
// Everything here is in the system's own coordinates: origin bottom-left,
// y up, one point per unit. Rectangles are QRectF used as (x, y, width,
// height) with y the BOTTOM edge; use minY()/maxY() below rather than
// QRectF::top()/bottom(), whose names assume y down. The widgets convert to
// Qt's top-left coordinates at one place (Coordinates.h).

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QVector>
#include <optional>

namespace toolkit {

inline double minX(const QRectF& r) { return r.x(); }
inline double maxX(const QRectF& r) { return r.x() + r.width(); }
inline double minY(const QRectF& r) { return r.y(); }
inline double maxY(const QRectF& r) { return r.y() + r.height(); }
inline double midX(const QRectF& r) { return r.x() + r.width() / 2.0; }
inline double midY(const QRectF& r) { return r.y() + r.height() / 2.0; }

// Where the window lies relative to the attach point, and in which direction
// it grows along the edge that faces the point.
enum AttachSide : int {
    SideLeft = 0,        // left of the point, centred on it
    SideBelow = 1,       // below, centred
    SideRight = 2,       // right, centred
    SideAbove = 3,       // above, centred
    SideLeftUp = 4,      // left, growing upward
    SideLeftDown = 5,    // left, growing downward
    SideRightUp = 6,     // right, growing upward
    SideRightDown = 7,   // right, growing downward
    SideAboveLeft = 8,   // above, growing to the left
    SideAboveRight = 9,  // above, growing to the right
    SideBelowLeft = 10,  // below, growing to the left
    SideBelowRight = 11, // below, growing to the right
    SideAutomatic = 12,  // replaced at creation by bestSideForAutomaticPosition
};

bool isLeftSide(int side);  // 0, 4, 5
bool isRightSide(int side); // 2, 6, 7
bool isAboveSide(int side); // 3, 8, 9
bool isBelowSide(int side); // 1, 10, 11

// The numeric look of an attached window. Lengths in points.
struct AttachedStyle {
    float borderWidth = 1.0f;
    float viewMargin = 2.0f;
    float arrowBaseWidth = 15.0f;
    float arrowHeight = 10.0f;
    bool hasArrow = false;
    float cornerRadius = 4.0f;
    bool drawsRoundCornerBesideArrow = true;

    static AttachedStyle dialogDefaults();   // the modal dialog host
    static AttachedStyle dropDownDefaults(); // the drop-down host
};

// Distance from the window's corner to the near edge of the arrow's base.
float arrowInset(const AttachedStyle& style, double scale = 1.0);

struct AttachedGeometry {
    QRectF windowFrame; // in screen coordinates
    QRectF viewFrame;   // the hosted view, inside the window
};

// `screenPoint` is the attach point already in screen coordinates.
AttachedGeometry computeGeometry(const QSizeF& viewSize, const QPointF& screenPoint, int side,
                                 float distance, const AttachedStyle& style, double scale = 1.0);

// The side that fits the point best. `screenVisible` is the visible area of
// the screen the window goes on; `parentFrame` the parent window's frame
// (the visible screen area is used when there is none).
int bestSideForAutomaticPosition(const QSizeF& viewSize, const QPointF& screenPoint, float distance,
                                 const AttachedStyle& style, const QRectF& screenVisible,
                                 const std::optional<QRectF>& parentFrame, double scale = 1.0);

// The background outline, built clockwise from the top-left corner, in the
// window's own coordinates.
struct OutlineElement {
    enum Kind { MoveTo, LineTo, ArcTo, Close };
    Kind kind = MoveTo;
    QPointF point;   // MoveTo / LineTo target; ArcTo: the corner
    QPointF toward;  // ArcTo: the point the arc turns toward
    double radius = 0;
};
using OutlinePath = QVector<OutlineElement>;

OutlinePath backgroundPath(const QRectF& viewFrame, int side, const AttachedStyle& style,
                           double scale = 1.0);

// Whether the corner next to the arrow is drawn rounded for `side`.
enum class Corner { TopLeft, TopRight, BottomRight, BottomLeft };
bool cornerIsRounded(Corner corner, int side, const AttachedStyle& style, double scale = 1.0);

// What a setter asks the window to rebuild afterwards.
enum class Rebuild { Nothing, Background, Redisplay };

// The numeric settings with the clamping rules of their setters. The clamps
// depend on the hosted view's frame as the last geometry pass placed it.
class AttachedSettings {
public:
    explicit AttachedSettings(const AttachedStyle& style = AttachedStyle()) : style_(style) {}

    const AttachedStyle& style() const { return style_; }
    void setViewFrame(const QRectF& frame) { viewFrame_ = frame; }
    QRectF viewFrame() const { return viewFrame_; }

    Rebuild setBorderWidth(float value);
    Rebuild setViewMargin(float value);
    Rebuild setCornerRadius(float value);
    Rebuild setArrowBaseWidth(float value);
    Rebuild setArrowHeight(float value);
    Rebuild setHasArrow(bool value);
    Rebuild setDrawsRoundCornerBesideArrow(bool value);

private:
    AttachedStyle style_;
    QRectF viewFrame_;
};

} // namespace toolkit
