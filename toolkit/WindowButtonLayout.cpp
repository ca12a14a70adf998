#include "WindowButtonLayout.h"

#include <cmath>

namespace toolkit {

namespace {

constexpr double kStandardButtonSide = 14.0;

} // namespace

const TitleBarMeasures& titleBarMeasures()
{
    // Our windows are frameless, so there is no window manager's title bar to
    // measure; these are the measures of the title bar we draw ourselves,
    // taken the way a titled window would give them: the height its frame
    // adds above the content, the close button's x and the gap to the
    // minimise button.
    static const TitleBarMeasures measures = [] {
        const double frameHeight = 122.0;
        const double contentHeight = 100.0;
        const double closeX = 7.0;
        const double minimizeX = 27.0;
        TitleBarMeasures m;
        m.minimumTitleBarHeight = frameHeight - contentHeight;
        m.defaultLeftMargin = closeX;
        m.defaultSeparation = minimizeX - (closeX + kStandardButtonSide);
        return m;
    }();
    return measures;
}

QSizeF standardWindowButtonSize() { return QSizeF(kStandardButtonSide, kStandardButtonSide); }

TitleBarLayout layoutTitleBar(const TitleBarLayoutInput& in)
{
    TitleBarLayout out;
    const double width = in.frameViewSize.width();
    out.container = QRectF(0, in.frameViewSize.height() - in.titleBarHeight, width, in.titleBarHeight);
    const double midY = out.container.center().y();
    const double maxY = out.container.bottom(); // y up: the top edge of the bar

    if (!in.verticalTrafficLightButtons) {
        double y = in.centerTrafficLightButtons ? std::round(midY - in.closeSize.height() / 2)
                                                : maxY - in.closeSize.height() - in.topMargin;
        y += in.topButtonMoveUp;
        const double closeX = in.leftMargin;
        const double minimizeX = closeX + in.closeSize.width() + in.separation;
        const double zoomX = minimizeX + in.minimizeSize.width() + in.separation;
        out.close = QRectF(QPointF(closeX, y), in.closeSize);
        out.minimize = QRectF(QPointF(minimizeX, y), in.minimizeSize);
        out.zoom = QRectF(QPointF(zoomX, y), in.zoomSize);
    } else {
        const double step = in.separation - 2;
        const double total = in.closeSize.height() + in.minimizeSize.height() + in.zoomSize.height() + 2 * step;
        const double y0 = in.centerTrafficLightButtons ? std::round(midY - total / 2) : maxY - total - in.topMargin;
        out.zoom = QRectF(QPointF(in.leftMargin, y0), in.zoomSize);
        out.minimize = QRectF(QPointF(in.leftMargin, out.zoom.bottom() + step), in.minimizeSize);
        out.close = QRectF(QPointF(in.leftMargin, out.minimize.bottom() + step), in.closeSize);
    }

    out.fullScreenMarginFixed = in.fullScreenMarginFixed;
    out.fullScreenRightMargin = in.fullScreenRightMargin;
    if (in.fullScreenSize) {
        const QSizeF size = *in.fullScreenSize;
        if (!out.fullScreenMarginFixed) {
            out.fullScreenRightMargin = width - (in.fullScreenCurrentX + size.width());
            out.fullScreenMarginFixed = true;
        }
        const double x = width - size.width() - out.fullScreenRightMargin;
        const double y = in.centerFullScreenButton ? std::round(midY - size.height() / 2)
                                                   : maxY - size.height() - in.topMargin;
        out.fullScreen = QRectF(QPointF(x, y), size);
    }
    return out;
}

QRectF titleTextFrame(const QRectF& titleBarBounds, const QSizeF& textSize, bool hasOwnCloseButton)
{
    const double x = hasOwnCloseButton ? 10.0 : 80.0;
    const double y = (titleBarBounds.y() + titleBarBounds.height()) / 2 - 7;
    return QRectF(QPointF(x, y), textSize);
}

QRectF sheetPositionBelowTitleBar(const QRectF& proposed, double windowFrameHeight, double titleBarHeight)
{
    QRectF r = proposed;
    r.moveTop(windowFrameHeight - titleBarHeight);
    return r;
}

ToolbarButtons layoutToolbarButtons(double H, const QSizeF& closeSize, ToolbarArrangement arrangement)
{
    const double w = closeSize.width();
    const double h = closeSize.height();
    ToolbarButtons b;
    switch (arrangement) {
    case ToolbarArrangement::InitialRow:
    case ToolbarArrangement::Row: {
        const double y = H - h - (arrangement == ToolbarArrangement::InitialRow ? 5 : 15);
        b.close = QRectF(8, y, w, h);
        b.minimize = QRectF(10 + w, y, w, h);
        b.maximize = QRectF(12 + 2 * w, y, w, h);
        break;
    }
    case ToolbarArrangement::Column:
        b.close = QRectF(8, H - h - 5, w, h);
        b.minimize = QRectF(8, H - 2 * h - 8, w, h);
        b.maximize = QRectF(8, H - 3 * h - 11, w, h);
        break;
    }
    return b;
}

QRectF toolbarTrackingRect(double H, const QSizeF& closeSize, bool vertical, bool justClose)
{
    const double w = closeSize.width();
    const double h = closeSize.height();
    const double y0 = H - h - 5;
    if (!vertical)
        return justClose ? QRectF(8, y0, w + 2, h) : QRectF(8, y0, 3 * w + 2, h);
    return justClose ? QRectF(8, y0, w, h + 3) : QRectF(8, y0 - 2 * h - 6, w, 3 * h + 6);
}

} // namespace toolkit
