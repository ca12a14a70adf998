// Placement, automatic side, outline and setter clamps of the attached
// windows, in the system's own coordinates (origin bottom-left).
#include "toolkit/AttachedGeometry.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace toolkit;

namespace {

void expectRect(const QRectF& actual, double x, double y, double w, double h)
{
    EXPECT_DOUBLE_EQ(actual.x(), x);
    EXPECT_DOUBLE_EQ(actual.y(), y);
    EXPECT_DOUBLE_EQ(actual.width(), w);
    EXPECT_DOUBLE_EQ(actual.height(), h);
}

const QSizeF kDialogView(300, 200);

} // namespace

TEST(AttachedGeometry, DialogBelowThePointReservesTheArrowBandOnTop)
{
    const AttachedGeometry g = computeGeometry(kDialogView, {700, 600}, SideBelow, 5.0f, AttachedStyle::dialogDefaults());
    expectRect(g.windowFrame, 700 - 152, 600 - 219, 304, 214);
    expectRect(g.viewFrame, 2, 2, 300, 200);
    // Body (view plus margin) ends 10 points under the window's top edge.
    EXPECT_DOUBLE_EQ(g.windowFrame.height() - (maxY(g.viewFrame) + 2), 10);
}

TEST(AttachedGeometry, DialogAboveThePointReservesTheArrowBandBelow)
{
    const AttachedGeometry g = computeGeometry(kDialogView, {700, 600}, SideAbove, 0.0f, AttachedStyle::dialogDefaults());
    expectRect(g.windowFrame, 700 - 152, 600, 304, 214);
    expectRect(g.viewFrame, 2, 12, 300, 200);
}

TEST(AttachedGeometry, DropDownListHasNoArrowBand)
{
    const AttachedStyle style = AttachedStyle::dropDownDefaults();
    const QPointF sp(891, 409);
    AttachedGeometry g = computeGeometry({200, 120}, sp, SideAbove, 0.0f, style);
    expectRect(g.windowFrame, 891 - 102, 409, 204, 124);
    expectRect(g.viewFrame, 2, 2, 200, 120);
    g = computeGeometry({200, 120}, sp, SideBelow, 0.0f, style);
    expectRect(g.windowFrame, 891 - 102, 409 - 124, 204, 124);
}

TEST(AttachedGeometry, AllTwelveSides)
{
    // View 300 x 200, margin 2, arrow height 10, inset 11.5, distance 5, point (1000, 500).
    struct Case { int side; double x, y, w, h, vx, vy; };
    const Case cases[] = {
        {SideLeft, 681, 398, 314, 204, 2, 2},
        {SideBelow, 848, 281, 304, 214, 2, 2},
        {SideRight, 1005, 398, 314, 204, 12, 2},
        {SideAbove, 848, 505, 304, 214, 2, 12},
        {SideLeftUp, 681, 488.5, 314, 204, 2, 2},
        {SideLeftDown, 681, 307.5, 314, 204, 2, 2},
        {SideRightUp, 1005, 488.5, 314, 204, 12, 2},
        {SideRightDown, 1005, 307.5, 314, 204, 12, 2},
        {SideAboveLeft, 707.5, 505, 304, 214, 2, 12},
        {SideAboveRight, 988.5, 505, 304, 214, 2, 12},
        {SideBelowLeft, 707.5, 281, 304, 214, 2, 2},
        {SideBelowRight, 988.5, 281, 304, 214, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.side);
        const AttachedGeometry g = computeGeometry(kDialogView, {1000, 500}, c.side, 5.0f, AttachedStyle::dialogDefaults());
        expectRect(g.windowFrame, c.x, c.y, c.w, c.h);
        expectRect(g.viewFrame, c.vx, c.vy, 300, 200);
    }
}

TEST(AttachedGeometry, ArrowInsetFollowsTheCornerRule)
{
    AttachedStyle style = AttachedStyle::dialogDefaults();
    EXPECT_FLOAT_EQ(arrowInset(style), 11.5f);
    style.drawsRoundCornerBesideArrow = false;
    EXPECT_FLOAT_EQ(arrowInset(style), 7.5f);
    EXPECT_FLOAT_EQ(arrowInset(style, 2.0), 15.0f);
    EXPECT_FLOAT_EQ(arrowInset(AttachedStyle::dropDownDefaults()), 4.0f);
}

TEST(AttachedGeometry, AutomaticSideOverScreensAndParents)
{
    // View 300 x 200 with the dialog defaults: w 304, h 204, g = 10 + 5.
    const AttachedStyle style = AttachedStyle::dialogDefaults();
    const QRectF wide(0, 0, 1440, 900);
    const QRectF parent(220, 100, 1000, 700);
    struct Case { const char* what; QRectF screen; std::optional<QRectF> parent; QPointF p; int expected; };
    const Case cases[] = {
        {"room below, inside the parent", wide, parent, {720, 450}, SideBelow},
        {"crosses the parent's left edge", wide, parent, {300, 450}, SideBelowRight},
        {"crosses the parent's right edge", wide, parent, {1150, 450}, SideBelowLeft},
        {"shifted right would leave the screen", QRectF(0, 0, 400, 900), QRectF(100, 0, 300, 900), {150, 450}, SideBelow},
        {"shifted right still fits", QRectF(0, 0, 500, 900), QRectF(100, 0, 400, 900), {150, 450}, SideBelowRight},
        {"no room below: right, growing up", wide, parent, {720, 100}, SideRightUp},
        {"no room below or right: left, growing up", wide, parent, {1300, 100}, SideLeftUp},
        {"no room below, right or left: above", QRectF(0, 0, 500, 900), std::nullopt, {250, 100}, SideAbove},
        {"nothing fits: stays below", QRectF(0, 0, 500, 300), std::nullopt, {250, 100}, SideBelow},
        {"right, crossing the parent's top: growing down", wide, QRectF(220, 0, 1000, 300), {720, 200}, SideRightDown},
        {"right, inside the parent's height", wide, QRectF(220, 0, 1000, 600), {720, 200}, SideRight},
        {"left, crossing the parent's top: growing down", wide, QRectF(300, 0, 1100, 300), {1300, 200}, SideLeftDown},
        {"room on the right wins over above", QRectF(0, 0, 800, 900), QRectF(200, 0, 600, 900), {250, 100}, SideRightUp},
        {"above, crossing the parent's left edge, no room to shift", QRectF(0, 0, 500, 900), QRectF(200, 0, 300, 900), {250, 100}, SideAbove},
        {"above, crossing the parent's left edge", QRectF(0, 0, 560, 900), QRectF(200, 0, 360, 900), {250, 100}, SideAboveRight},
        {"above, crossing the parent's right edge", QRectF(0, 0, 600, 900), QRectF(100, 0, 340, 900), {300, 100}, SideAboveLeft},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(bestSideForAutomaticPosition(kDialogView, c.p, 5.0f, style, c.screen, c.parent), c.expected);
    }
}

namespace {

// The outline's vertices (move, line and arc end points) in order.
QVector<QPointF> vertices(const OutlinePath& path)
{
    QVector<QPointF> points;
    for (const OutlineElement& e : path) {
        if (e.kind == OutlineElement::MoveTo || e.kind == OutlineElement::LineTo)
            points.push_back(e.point);
    }
    return points;
}

int countKind(const OutlinePath& path, OutlineElement::Kind kind)
{
    return static_cast<int>(std::count_if(path.begin(), path.end(), [&](const OutlineElement& e) { return e.kind == kind; }));
}

} // namespace

TEST(AttachedGeometry, OutlineWithoutArrowIsARoundedRectangleOnEverySide)
{
    const AttachedStyle style = AttachedStyle::dialogDefaults(); // no arrow
    for (int side = SideLeft; side <= SideBelowRight; ++side) {
        SCOPED_TRACE(side);
        const AttachedGeometry g = computeGeometry(kDialogView, {1000, 500}, side, 5.0f, style);
        const OutlinePath path = backgroundPath(g.viewFrame, side, style);
        // Content area = view grown by the margin, pulled in half a pixel.
        const double x0 = g.viewFrame.x() - 2 + 1, y0 = g.viewFrame.y() - 2 + 1;
        const double x1 = x0 + 302, y1 = y0 + 202;
        const QVector<QPointF> expected = {{x0 + 4, y1}, {x1 - 4, y1}, {x1, y0 + 4}, {x0 + 4, y0}, {x0, y1 - 4}};
        EXPECT_EQ(vertices(path), expected);
        ASSERT_EQ(countKind(path, OutlineElement::ArcTo), 4);
        ASSERT_EQ(path.size(), 10);
        EXPECT_EQ(path[2].point, QPointF(x1, y1));   // top-right corner arc
        EXPECT_EQ(path[2].toward, QPointF(x1, y1 - 4));
        EXPECT_DOUBLE_EQ(path[2].radius, 4);
        EXPECT_EQ(path[8].point, QPointF(x0, y1));   // top-left corner arc closes the loop
        EXPECT_EQ(path[8].toward, QPointF(x0 + 4, y1));
        EXPECT_EQ(path.last().kind, OutlineElement::Close);
    }
}

TEST(AttachedGeometry, ArrowTipPointsAtTheAttachPointOnEverySide)
{
    AttachedStyle style = AttachedStyle::dialogDefaults();
    style.hasArrow = true;
    const QPointF p(1000, 500);
    for (int side = SideLeft; side <= SideBelowRight; ++side) {
        SCOPED_TRACE(side);
        const AttachedGeometry g = computeGeometry(kDialogView, p, side, 0.0f, style);
        const OutlinePath path = backgroundPath(g.viewFrame, side, style);
        // The tip is the vertex farthest outside the body.
        const QRectF body = g.viewFrame.adjusted(-2, -2, 2, 2);
        QPointF tip;
        double farthest = -1;
        for (const QPointF& v : vertices(path)) {
            const double out = std::max({minX(body) - v.x(), v.x() - maxX(body), minY(body) - v.y(), v.y() - maxY(body)});
            if (out > farthest) {
                farthest = out;
                tip = v;
            }
        }
        EXPECT_NEAR(farthest, 9.0, 1e-9); // the arrow's height less the pixel the edges are pulled in
        // In screen coordinates the tip lies within a point of the attach point.
        const QPointF screenTip = g.windowFrame.topLeft() + tip;
        EXPECT_NEAR(screenTip.x(), p.x(), 1.0);
        EXPECT_NEAR(screenTip.y(), p.y(), 1.0);
        // Four edges and the arrow's two sides, plus a run-up along the edge
        // unless the arrow starts right at a corner (sides 5, 6, 8 and 11).
        const bool atCorner = side == SideLeftDown || side == SideRightUp || side == SideAboveLeft || side == SideBelowRight;
        EXPECT_EQ(countKind(path, OutlineElement::LineTo), atCorner ? 6 : 7);
    }
}

TEST(AttachedGeometry, CornerBesideTheArrowIsSquareWhenAsked)
{
    AttachedStyle style = AttachedStyle::dialogDefaults();
    style.hasArrow = true;
    style.drawsRoundCornerBesideArrow = false;
    const AttachedGeometry g = computeGeometry(kDialogView, {1000, 500}, SideBelowRight, 0.0f, style);
    const OutlinePath path = backgroundPath(g.viewFrame, SideBelowRight, style);
    EXPECT_FALSE(cornerIsRounded(Corner::TopLeft, SideBelowRight, style));
    EXPECT_TRUE(cornerIsRounded(Corner::TopRight, SideBelowRight, style));
    EXPECT_EQ(countKind(path, OutlineElement::ArcTo), 3);
    // The outline starts in the square corner and the arrow begins right there.
    ASSERT_GE(path.size(), 3);
    EXPECT_EQ(path[0].point, QPointF(1, 203));
    EXPECT_EQ(path[1].point, QPointF(1 + 7.5, 213));
    EXPECT_EQ(path[2].point, QPointF(1 + 15, 203));
    // Each arrow corner per side: 7 and 11 top-left, 5 and 10 top-right,
    // 4 and 8 bottom-right, 6 and 9 bottom-left.
    const std::pair<int, Corner> sides[] = {
        {SideRightDown, Corner::TopLeft}, {SideBelowRight, Corner::TopLeft}, {SideLeftDown, Corner::TopRight},
        {SideBelowLeft, Corner::TopRight}, {SideLeftUp, Corner::BottomRight}, {SideAboveLeft, Corner::BottomRight},
        {SideRightUp, Corner::BottomLeft}, {SideAboveRight, Corner::BottomLeft}};
    for (const auto& [side, corner] : sides) {
        SCOPED_TRACE(side);
        EXPECT_FALSE(cornerIsRounded(corner, side, style));
        EXPECT_EQ(countKind(backgroundPath(g.viewFrame, side, style), OutlineElement::ArcTo), 3);
    }
    EXPECT_EQ(countKind(backgroundPath(g.viewFrame, SideBelow, style), OutlineElement::ArcTo), 4);
    style.cornerRadius = 0;
    EXPECT_EQ(countKind(backgroundPath(g.viewFrame, SideBelow, style), OutlineElement::ArcTo), 0);
}

TEST(AttachedGeometry, SettersClampAgainstTheViewAndMargin)
{
    AttachedSettings settings(AttachedStyle::dialogDefaults());
    settings.setViewFrame(QRectF(2, 2, 300, 200));

    EXPECT_EQ(settings.setBorderWidth(5), Rebuild::Background);
    EXPECT_FLOAT_EQ(settings.style().borderWidth, 2.0f); // at most the margin
    EXPECT_EQ(settings.setBorderWidth(5), Rebuild::Background); // 5 differs from the stored 2
    EXPECT_EQ(settings.setBorderWidth(2), Rebuild::Nothing);

    EXPECT_EQ(settings.setViewMargin(-1), Rebuild::Redisplay);
    EXPECT_FLOAT_EQ(settings.style().viewMargin, 0.0f);

    settings.setViewMargin(2);
    settings.setCornerRadius(1000);
    EXPECT_FLOAT_EQ(settings.style().cornerRadius, (200 + 4 - 15) / 2.0f);
    EXPECT_FLOAT_EQ(settings.style().arrowBaseWidth, 15.0f); // 204 - 94.5 - 94.5 = 15 still fits
    settings.setCornerRadius(-3);
    EXPECT_FLOAT_EQ(settings.style().cornerRadius, 0.0f);

    settings.setCornerRadius(4);
    settings.setArrowBaseWidth(1000);
    EXPECT_FLOAT_EQ(settings.style().arrowBaseWidth, 200 + 4 - 4 - 4);
    settings.setDrawsRoundCornerBesideArrow(false);
    settings.setArrowBaseWidth(1000);
    EXPECT_FLOAT_EQ(settings.style().arrowBaseWidth, 200 + 4 - 4);

    EXPECT_EQ(settings.setHasArrow(true), Rebuild::Background);
    EXPECT_EQ(settings.setHasArrow(true), Rebuild::Nothing);
    EXPECT_EQ(settings.setArrowHeight(12), Rebuild::Redisplay);
    EXPECT_EQ(settings.setArrowHeight(12), Rebuild::Nothing);
}

TEST(AttachedGeometry, ArrowWidthNeverTurnsNegativeOnATinyView)
{
    AttachedSettings settings(AttachedStyle::dialogDefaults());
    settings.setViewFrame(QRectF(2, 2, 10, 10));
    settings.setArrowBaseWidth(15);
    EXPECT_FLOAT_EQ(settings.style().arrowBaseWidth, 10 + 4 - 4 - 4);
    settings.setViewFrame(QRectF(2, 2, 0, 0));
    settings.setArrowBaseWidth(15);
    EXPECT_FLOAT_EQ(settings.style().arrowBaseWidth, 0.0f);
    settings.setCornerRadius(4);
    EXPECT_GE(settings.style().cornerRadius, 0.0f);
}
