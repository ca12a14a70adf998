#pragma once
// Where window buttons go: the custom title-bar window's button row or
// column and full-screen button, and the three buttons of a window-button
// toolbar with its pointer-tracking rectangle.
//
// Plain geometry, no widgets. Every rectangle is in the system's coordinates
// (origin bottom-left, y up) of the view that holds the buttons; callers
// convert through toolkit/Coordinates.h.

#include <QRectF>
#include <QSizeF>
#include <optional>

namespace toolkit {

// The title-bar measures our frameless windows stand in for, computed once
// per process: the title bar's minimum height, the close button's x and the
// gap between two buttons.
struct TitleBarMeasures {
    double minimumTitleBarHeight = 0;
    double defaultLeftMargin = 0;
    double defaultSeparation = 0;
};
const TitleBarMeasures& titleBarMeasures();

// The size of the standard close, minimise and zoom buttons.
QSizeF standardWindowButtonSize();

struct TitleBarLayoutInput {
    QSizeF frameViewSize;            // the whole window, title bar included
    double titleBarHeight = 0;
    QSizeF closeSize, minimizeSize, zoomSize;
    std::optional<QSizeF> fullScreenSize;
    // Where the full-screen button stands before its first layout (its x);
    // only read while its right margin is not fixed.
    double fullScreenCurrentX = 0;
    bool fullScreenMarginFixed = false;
    double fullScreenRightMargin = 0;
    bool centerTrafficLightButtons = true;
    bool verticalTrafficLightButtons = false;
    bool centerFullScreenButton = false;
    double leftMargin = 0;
    double topMargin = 3.0;
    double separation = 0;
    double topButtonMoveUp = 0;
};

struct TitleBarLayout {
    QRectF container;
    QRectF close, minimize, zoom;
    std::optional<QRectF> fullScreen;
    bool fullScreenMarginFixed = false;
    double fullScreenRightMargin = 0;
};

TitleBarLayout layoutTitleBar(const TitleBarLayoutInput& in);

// Where the title text starts: x 10 beside a close button of the window's
// own, 80 beside the standard ones; vertically about the bar's middle.
QRectF titleTextFrame(const QRectF& titleBarBounds, const QSizeF& textSize, bool hasOwnCloseButton);

// The sheet rectangle a custom title bar hands back: the same rectangle with
// its y at the bottom of the title bar.
QRectF sheetPositionBelowTitleBar(const QRectF& proposed, double windowFrameHeight, double titleBarHeight);

// The toolbar's three buttons. A row set in code stands 15 below the top,
// the row a new toolbar starts with 5 below it.
enum class ToolbarArrangement { InitialRow, Row, Column };
struct ToolbarButtons {
    QRectF close, minimize, maximize;
};
ToolbarButtons layoutToolbarButtons(double toolbarHeight, const QSizeF& closeSize, ToolbarArrangement arrangement);

// The rectangle over the buttons in which the pointer counts as over them.
QRectF toolbarTrackingRect(double toolbarHeight, const QSizeF& closeSize, bool vertical, bool justClose);

} // namespace toolkit
