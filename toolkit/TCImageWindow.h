#pragma once
// A window whose title bar is a view of the application's own, of adjustable
// height, with the close, minimise, zoom and full-screen buttons laid out in
// it by its own rules (left margin, separation, row or column, centring, a
// move-up offset). Buttons the user of the class sets (TCWindowButton)
// replace the standard ones. A delegate proxy answers where sheets drop from
// (under the title bar) and passes every other message on to the delegate
// the user set.
//
// Main thread only. The window owns its title bar, its content view and the
// buttons set on it; the delegate is not owned and must outlive the window
// or be unset first.

#include "StandardWindowButton.h"
#include "TCWindowButton.h"
#include "WindowButtonLayout.h"

#include <QColor>
#include <QPainterPath>
#include <QPointer>
#include <QWidget>
#include <functional>

class TCImageWindow;

// What a window tells its delegate, and the sheet position it asks for.
// Every message does nothing unless overridden.
class TCImageWindowDelegate {
public:
    virtual ~TCImageWindowDelegate() = default;
    virtual bool respondsToWillPositionSheet() const { return false; }
    virtual QRectF windowWillPositionSheet(TCImageWindow*, QWidget* sheet, const QRectF& rect) { return rect; }
    virtual bool windowShouldClose(TCImageWindow*) { return true; }
    virtual void windowWillClose(TCImageWindow*) {}
    virtual void windowDidResize(TCImageWindow*) {}
    virtual void windowDidMove(TCImageWindow*) {}
    virtual void windowDidBecomeKey(TCImageWindow*) {}
    virtual void windowDidResignKey(TCImageWindow*) {}
    virtual void windowWillEnterFullScreen(TCImageWindow*) {}
    virtual void windowWillExitFullScreen(TCImageWindow*) {}
};

class TCImageWindowDelegateProxy : public TCImageWindowDelegate {
public:
    explicit TCImageWindowDelegateProxy(TCImageWindow* window) : window_(window) {}

    TCImageWindowDelegate* secondaryDelegate() const { return secondary_; }
    void setSecondaryDelegate(TCImageWindowDelegate* delegate) { secondary_ = delegate; }

    // The proxy answers the sheet position itself.
    bool respondsToWillPositionSheet() const override { return true; }
    QRectF windowWillPositionSheet(TCImageWindow* window, QWidget* sheet, const QRectF& rect) override;

    // Asked of the secondary delegate; false when there is none.
    template <class T> bool isKindOf() const { return dynamic_cast<const T*>(secondary_) != nullptr; }

    bool windowShouldClose(TCImageWindow* w) override { return secondary_ ? secondary_->windowShouldClose(w) : true; }
    void windowWillClose(TCImageWindow* w) override { if (secondary_) secondary_->windowWillClose(w); }
    void windowDidResize(TCImageWindow* w) override { if (secondary_) secondary_->windowDidResize(w); }
    void windowDidMove(TCImageWindow* w) override { if (secondary_) secondary_->windowDidMove(w); }
    void windowDidBecomeKey(TCImageWindow* w) override { if (secondary_) secondary_->windowDidBecomeKey(w); }
    void windowDidResignKey(TCImageWindow* w) override { if (secondary_) secondary_->windowDidResignKey(w); }
    void windowWillEnterFullScreen(TCImageWindow* w) override { if (secondary_) secondary_->windowWillEnterFullScreen(w); }
    void windowWillExitFullScreen(TCImageWindow* w) override { if (secondary_) secondary_->windowWillExitFullScreen(w); }

private:
    TCImageWindow* window_;
    TCImageWindowDelegate* secondary_ = nullptr;
};

// The drawing view of the title bar: a white bar with its top corners
// rounded, the title when asked for, or whatever the window's drawing block
// paints.
class VETitlebarView : public QWidget {
    Q_OBJECT
public:
    explicit VETitlebarView(QWidget* parent = nullptr);

    // The bar's clip path (Qt coordinates): the bounds with the two top
    // corners rounded.
    static QPainterPath clipPath(const QRectF& bounds);

    // Nothing: the noise of older title bars is not drawn.
    void drawNoiseWithOpacity(double) {}

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool doubleClick_ = false;
};

// Holds the title-bar view and moves the window when the bar is dragged.
class VETitlebarContainer : public QWidget {
    Q_OBJECT
public:
    explicit VETitlebarContainer(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool dragging_ = false;
    QPoint lastGlobal_;
};

class TCImageWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr double VECornerClipRadius = 4.0;
    using TitleBarDrawingBlock = std::function<void(QPainter&, bool drawsAsMain, const QRectF& bounds,
                                                    const QPainterPath& clipPath)>;

    // `contentRect` is the content's frame (without the title bar), in Qt
    // screen coordinates.
    explicit TCImageWindow(const QRect& contentRect, QWidget* parent = nullptr);
    ~TCImageWindow() override;

    // Title bar.
    double titleBarHeight() const { return titleBarHeight_; }
    void setTitleBarHeight(double height);
    QWidget* titleBarView() const { return titleBarView_; }
    void setTitleBarView(QWidget* view);
    VETitlebarContainer* titleBarContainer() const { return titleBarContainer_; }
    TitleBarDrawingBlock titleBarDrawingBlock() const { return titleBarDrawingBlock_; }
    void setTitleBarDrawingBlock(TitleBarDrawingBlock block) { titleBarDrawingBlock_ = std::move(block); redrawTitleBar(); }
    bool showsBaselineSeparator() const { return showsBaselineSeparator_; }
    void setShowsBaselineSeparator(bool shows);
    bool showsTitle() const { return showsTitle_; }
    void setShowsTitle(bool shows);
    bool showsTitleInFullscreen() const { return showsTitleInFullscreen_; }
    void setShowsTitleInFullscreen(bool shows) { showsTitleInFullscreen_ = shows; }
    bool hideTitleBarInFullScreen() const { return hideTitleBarInFullScreen_; }
    void setHideTitleBarInFullScreen(bool hide) { hideTitleBarInFullScreen_ = hide; }
    void setTitle(const QString& title);

    // Buttons.
    double trafficLightButtonsLeftMargin() const { return trafficLightButtonsLeftMargin_; }
    void setTrafficLightButtonsLeftMargin(double margin);
    double trafficLightButtonsTopMargin() const { return trafficLightButtonsTopMargin_; }
    void setTrafficLightButtonsTopMargin(double margin) { trafficLightButtonsTopMargin_ = margin; }
    double fullScreenButtonRightMargin() const { return fullScreenButtonRightMargin_; }
    void setFullScreenButtonRightMargin(double margin);
    double fullScreenButtonTopMargin() const { return fullScreenButtonTopMargin_; }
    void setFullScreenButtonTopMargin(double margin) { fullScreenButtonTopMargin_ = margin; }
    double trafficLightSeparation() const { return trafficLightSeparation_; }
    void setTrafficLightSeparation(double separation);
    double topButtonMoveUp() const { return topButtonMoveUp_; }
    void setTopButtonMoveUp(double offset) { topButtonMoveUp_ = offset; }
    bool centerTrafficLightButtons() const { return centerTrafficLightButtons_; }
    void setCenterTrafficLightButtons(bool center);
    bool verticalTrafficLightButtons() const { return verticalTrafficLightButtons_; }
    void setVerticalTrafficLightButtons(bool vertical);
    bool centerFullScreenButton() const { return centerFullScreenButton_; }
    void setCenterFullScreenButton(bool center);

    TCWindowButton* closeButton() const { return closeButton_; }
    TCWindowButton* minimizeButton() const { return minimizeButton_; }
    TCWindowButton* zoomButton() const { return zoomButton_; }
    TCWindowButton* fullScreenButton() const { return fullScreenButton_; }
    void setCloseButton(TCWindowButton* button);
    void setMinimizeButton(TCWindowButton* button);
    void setZoomButton(TCWindowButton* button);
    void setFullScreenButton(TCWindowButton* button);
    // The window's standard buttons, shown where no button of the user's
    // replaces them.
    StandardWindowButton* standardWindowButton(StandardWindowButton::Kind kind) const;

    // Colours; only the two title colours are read.
    QColor titleTextColor, inactiveTitleTextColor;
    QColor titleBarStartColor, titleBarEndColor, baselineSeparatorColor;
    QColor inactiveTitleBarStartColor, inactiveTitleBarEndColor, inactiveBaselineSeparatorColor;
    QColor titleTextShadow, inactiveTitleTextShadow;

    // Delegate (not owned) behind the proxy.
    TCImageWindowDelegate* delegate() const { return proxy_.secondaryDelegate(); }
    void setDelegate(TCImageWindowDelegate* delegate);
    // The delegate the window itself talks to.
    TCImageWindowDelegate* windowDelegate() { return installedDelegate_; }

    // The content view sits under the title bar and fills the rest.
    QWidget* contentView() const { return contentView_; }
    void setContentView(QWidget* view);

    // Whether the bar draws as main: the window is active.
    bool drawsAsMain() const;
    bool isFullScreen() const { return windowState() & Qt::WindowFullScreen; }
    // Moves by a drag of the whole background, as the platform would.
    bool movableByWindowBackground = false;

    void performClose();
    void performMiniaturize();
    void performZoom();
    void toggleFullScreen();
    void windowWillEnterFullScreen();
    void windowWillExitFullScreen();

    // The frames the last layout gave, in Qt coordinates of the window.
    QRect containerFrame() const;
    QRect buttonFrame(StandardWindowButton::Kind kind) const;
    QRect fullScreenButtonFrame() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void doInitialWindowSetup();
    void layoutTrafficLightsAndContent();
    void redrawTitleBar();
    void refreshTracking();
    void replaceButton(QPointer<TCWindowButton>& slot, TCWindowButton* button, StandardWindowButton::Kind kind,
                       void (TCImageWindow::*action)());
    QWidget* buttonOrStandard(StandardWindowButton::Kind kind) const;

    TCImageWindowDelegateProxy proxy_{this};
    TCImageWindowDelegate* installedDelegate_ = nullptr;
    double cachedTitleBarHeight_ = 0;
    bool setFullScreenButtonRightMargin_ = false;
    VETitlebarContainer* titleBarContainer_ = nullptr;
    double titleBarHeight_ = 0;
    double topButtonMoveUp_ = 0;
    QPointer<QWidget> titleBarView_;
    bool centerFullScreenButton_ = false;
    bool centerTrafficLightButtons_ = true;
    bool verticalTrafficLightButtons_ = false;
    bool hideTitleBarInFullScreen_ = false;
    bool showsBaselineSeparator_ = true;
    double trafficLightButtonsLeftMargin_ = 0;
    double trafficLightButtonsTopMargin_ = 3.0;
    double fullScreenButtonRightMargin_ = 0;
    double fullScreenButtonTopMargin_ = 3.0;
    double trafficLightSeparation_ = 0;
    bool showsTitle_ = false;
    bool showsTitleInFullscreen_ = false;
    QPointer<TCWindowButton> closeButton_, minimizeButton_, zoomButton_, fullScreenButton_;
    StandardWindowButton* standardButtons_[3] = {nullptr, nullptr, nullptr};
    TitleBarDrawingBlock titleBarDrawingBlock_;
    QWidget* contentView_ = nullptr;
    toolkit::TitleBarLayout lastLayout_;
};
