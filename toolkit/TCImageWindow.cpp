#include "TCImageWindow.h"

#include "Coordinates.h"
#include "InterfaceStyle.h"

#include "platform/Defaults.h"

#include <QCloseEvent>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

QRectF TCImageWindowDelegateProxy::windowWillPositionSheet(TCImageWindow* window, QWidget*, const QRectF& rect)
{
    // Sheets drop from under the custom title bar.
    TCImageWindow* w = window ? window : window_;
    return toolkit::sheetPositionBelowTitleBar(rect, w->height(), w->titleBarHeight());
}

// ---- VETitlebarView

VETitlebarView::VETitlebarView(QWidget* parent) : QWidget(parent) {}

QPainterPath VETitlebarView::clipPath(const QRectF& b)
{
    // From the bottom-left corner up the left side to 4 below the top, round
    // the corner, along the top, round the other corner, down the right side.
    const double r = TCImageWindow::VECornerClipRadius;
    QPainterPath path;
    path.moveTo(b.left(), b.bottom());
    path.lineTo(b.left(), b.top() + r);
    path.arcTo(QRectF(b.left(), b.top(), 2 * r, 2 * r), 180, -90);
    path.lineTo(b.right() - r, b.top());
    path.arcTo(QRectF(b.right() - 2 * r, b.top(), 2 * r, 2 * r), 90, -90);
    path.lineTo(b.right(), b.bottom());
    path.closeSubpath();
    return path;
}

void VETitlebarView::paintEvent(QPaintEvent*)
{
    auto* window = qobject_cast<TCImageWindow*>(this->window());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(rect());
    const QPainterPath path = clipPath(bounds);
    const bool main = window && window->drawsAsMain();

    if (window && window->titleBarDrawingBlock()) {
        window->titleBarDrawingBlock()(painter, main, bounds, path);
        return;
    }
    const bool fullScreen = window && window->isFullScreen();
    if (fullScreen)
        painter.fillRect(bounds, Qt::white);
    painter.setClipPath(path);
    // From the bottom centre to the top centre.
    QLinearGradient gradient(QPointF(bounds.center().x(), bounds.bottom()), QPointF(bounds.center().x(), bounds.top()));
    gradient.setColorAt(0, Qt::white);
    gradient.setColorAt(1, Qt::white);
    painter.fillRect(bounds, gradient);
    drawNoiseWithOpacity(0.1);

    if (!window || !window->showsTitle() || (fullScreen && !window->showsTitleInFullscreen()))
        return;
    QColor color = main ? window->titleTextColor : window->inactiveTitleTextColor;
    if (!color.isValid())
        color = Qt::white;
    const QFont font = toolkit::regularFont(13);
    const QString title = window->windowTitle();
    const QSizeF size = QFontMetricsF(font).size(Qt::TextSingleLine, title);
    const QRectF frame = toolkit::titleTextFrame(bounds, size, window->closeButton() != nullptr);
    painter.setClipping(false);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(toolkit::flipRect(frame, bounds.height()), Qt::TextSingleLine, title);
}

void VETitlebarView::mousePressEvent(QMouseEvent* event)
{
    doubleClick_ = false;
    event->ignore(); // the container drags the window
}

void VETitlebarView::mouseDoubleClickEvent(QMouseEvent* event)
{
    doubleClick_ = true;
    event->accept();
}

void VETitlebarView::mouseReleaseEvent(QMouseEvent* event)
{
    const bool second = doubleClick_;
    doubleClick_ = false;
    if (second && platform::defaults::value(QStringLiteral("AppleMiniaturizeOnDoubleClick")).toBool()) {
        if (auto* w = qobject_cast<TCImageWindow*>(window()))
            w->performMiniaturize();
    }
    event->ignore();
}

// ---- VETitlebarContainer

VETitlebarContainer::VETitlebarContainer(QWidget* parent) : QWidget(parent) {}

void VETitlebarContainer::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    auto* w = qobject_cast<TCImageWindow*>(window());
    if (w && w->movableByWindowBackground && w->windowHandle() && w->windowHandle()->startSystemMove())
        return;
    dragging_ = !(w && w->isFullScreen());
    lastGlobal_ = event->globalPosition().toPoint();
}

void VETitlebarContainer::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_ || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint now = event->globalPosition().toPoint();
    window()->move(window()->pos() + (now - lastGlobal_));
    lastGlobal_ = now;
}

void VETitlebarContainer::mouseReleaseEvent(QMouseEvent*) { dragging_ = false; }

void VETitlebarContainer::resizeEvent(QResizeEvent* event)
{
    // The title-bar view follows the container's width and height.
    auto* w = qobject_cast<TCImageWindow*>(window());
    if (w && w->titleBarView() && w->titleBarView()->parentWidget() == this)
        w->titleBarView()->setGeometry(rect());
    QWidget::resizeEvent(event);
}

// ---- TCImageWindow

TCImageWindow::TCImageWindow(const QRect& contentRect, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    contentView_ = new QWidget(this);
    doInitialWindowSetup();
    setGeometry(contentRect.adjusted(0, -int(titleBarHeight_), 0, 0));
    contentView_->setGeometry(0, int(titleBarHeight_), width(), height() - int(titleBarHeight_));
    layoutTrafficLightsAndContent();
}

TCImageWindow::~TCImageWindow() = default;

void TCImageWindow::doInitialWindowSetup()
{
    const toolkit::TitleBarMeasures& m = toolkit::titleBarMeasures();
    showsBaselineSeparator_ = true;
    centerTrafficLightButtons_ = true;
    titleBarHeight_ = cachedTitleBarHeight_ = m.minimumTitleBarHeight;
    trafficLightButtonsLeftMargin_ = m.defaultLeftMargin;
    trafficLightButtonsTopMargin_ = 3.0;
    fullScreenButtonTopMargin_ = 3.0;
    trafficLightSeparation_ = m.defaultSeparation;
    installedDelegate_ = &proxy_;

    standardButtons_[StandardWindowButton::CloseButton] =
        StandardWindowButton::standardWindowButton(StandardWindowButton::CloseButton, this);
    standardButtons_[StandardWindowButton::MiniaturizeButton] =
        StandardWindowButton::standardWindowButton(StandardWindowButton::MiniaturizeButton, this);
    standardButtons_[StandardWindowButton::ZoomButton] =
        StandardWindowButton::standardWindowButton(StandardWindowButton::ZoomButton, this);
    connect(standardButtons_[0], &QAbstractButton::clicked, this, &TCImageWindow::performClose);
    connect(standardButtons_[1], &QAbstractButton::clicked, this, &TCImageWindow::performMiniaturize);
    connect(standardButtons_[2], &QAbstractButton::clicked, this, &TCImageWindow::performZoom);

    // The container goes below everything else the frame view holds.
    titleBarContainer_ = new VETitlebarContainer(this);
    titleBarContainer_->lower();
    setTitleBarView(new VETitlebarView);
    layoutTrafficLightsAndContent();
    refreshTracking();
}

bool TCImageWindow::drawsAsMain() const { return isActiveWindow(); }

void TCImageWindow::setTitleBarHeight(double height)
{
    if (height == titleBarHeight_)
        return;
    titleBarHeight_ = cachedTitleBarHeight_ = height;
    layoutTrafficLightsAndContent();
    redrawTitleBar();
}

void TCImageWindow::setTitleBarView(QWidget* view)
{
    if (!view || view == titleBarView_)
        return;
    if (titleBarView_)
        titleBarView_->deleteLater();
    titleBarView_ = view;
    view->setParent(titleBarContainer_);
    view->setGeometry(titleBarContainer_->rect());
    view->show();
}

void TCImageWindow::setShowsBaselineSeparator(bool shows)
{
    if (shows == showsBaselineSeparator_)
        return;
    showsBaselineSeparator_ = shows;
    redrawTitleBar();
}

void TCImageWindow::setShowsTitle(bool shows)
{
    if (shows == showsTitle_)
        return;
    showsTitle_ = shows;
    redrawTitleBar();
}

void TCImageWindow::setTitle(const QString& title)
{
    setWindowTitle(title);
    layoutTrafficLightsAndContent();
    redrawTitleBar();
}

void TCImageWindow::setTrafficLightButtonsLeftMargin(double margin)
{
    if (margin == trafficLightButtonsLeftMargin_)
        return;
    trafficLightButtonsLeftMargin_ = margin;
    layoutTrafficLightsAndContent();
    redrawTitleBar();
    refreshTracking();
}

void TCImageWindow::setFullScreenButtonRightMargin(double margin)
{
    if (margin == fullScreenButtonRightMargin_)
        return;
    setFullScreenButtonRightMargin_ = true;
    fullScreenButtonRightMargin_ = margin;
    layoutTrafficLightsAndContent();
    redrawTitleBar();
}

void TCImageWindow::setTrafficLightSeparation(double separation)
{
    if (separation == trafficLightSeparation_)
        return;
    trafficLightSeparation_ = separation;
    layoutTrafficLightsAndContent();
    refreshTracking();
}

void TCImageWindow::setCenterTrafficLightButtons(bool center)
{
    if (center == centerTrafficLightButtons_)
        return;
    centerTrafficLightButtons_ = center;
    layoutTrafficLightsAndContent();
    refreshTracking();
}

void TCImageWindow::setVerticalTrafficLightButtons(bool vertical)
{
    if (vertical == verticalTrafficLightButtons_)
        return;
    verticalTrafficLightButtons_ = vertical;
    layoutTrafficLightsAndContent();
    refreshTracking();
}

void TCImageWindow::setCenterFullScreenButton(bool center)
{
    if (center == centerFullScreenButton_)
        return;
    centerFullScreenButton_ = center;
    layoutTrafficLightsAndContent();
}

StandardWindowButton* TCImageWindow::standardWindowButton(StandardWindowButton::Kind kind) const
{
    return standardButtons_[kind];
}

void TCImageWindow::replaceButton(QPointer<TCWindowButton>& slot, TCWindowButton* button,
                                  StandardWindowButton::Kind kind, void (TCImageWindow::*action)())
{
    if (button == slot)
        return;
    if (slot) {
        slot->hide();
        slot->setParent(nullptr);
        slot->deleteLater();
    }
    slot = button;
    if (button) {
        connect(button, &QAbstractButton::clicked, this, action);
        if (kind >= 0 && kind <= StandardWindowButton::ZoomButton)
            button->move(standardButtons_[kind]->pos());
        button->setParent(this);
        button->show();
    }
    layoutTrafficLightsAndContent();
}

void TCImageWindow::setCloseButton(TCWindowButton* b)
{
    replaceButton(closeButton_, b, StandardWindowButton::CloseButton, &TCImageWindow::performClose);
}
void TCImageWindow::setMinimizeButton(TCWindowButton* b)
{
    replaceButton(minimizeButton_, b, StandardWindowButton::MiniaturizeButton, &TCImageWindow::performMiniaturize);
}
void TCImageWindow::setZoomButton(TCWindowButton* b)
{
    replaceButton(zoomButton_, b, StandardWindowButton::ZoomButton, &TCImageWindow::performZoom);
}
void TCImageWindow::setFullScreenButton(TCWindowButton* b)
{
    // No standard full-screen button stands in the title bar (the zoom
    // button stands for it), so a new one starts at the bar's right end.
    if (b && b != fullScreenButton_)
        b->move(width() - b->width(), 0);
    replaceButton(fullScreenButton_, b, StandardWindowButton::Kind(-1), &TCImageWindow::toggleFullScreen);
}

void TCImageWindow::setDelegate(TCImageWindowDelegate* delegate)
{
    proxy_.setSecondaryDelegate(delegate);
    installedDelegate_ = nullptr;
    installedDelegate_ = &proxy_;
}

void TCImageWindow::setContentView(QWidget* view)
{
    if (!view || view == contentView_)
        return;
    if (contentView_)
        contentView_->deleteLater();
    contentView_ = view;
    view->setParent(this);
    view->show();
    layoutTrafficLightsAndContent();
}

QWidget* TCImageWindow::buttonOrStandard(StandardWindowButton::Kind kind) const
{
    TCWindowButton* own = kind == StandardWindowButton::CloseButton        ? closeButton_.data()
                          : kind == StandardWindowButton::MiniaturizeButton ? minimizeButton_.data()
                                                                            : zoomButton_.data();
    return own ? static_cast<QWidget*>(own) : standardButtons_[kind];
}

void TCImageWindow::layoutTrafficLightsAndContent()
{
    if (!titleBarContainer_)
        return;
    const double H = height();
    toolkit::TitleBarLayoutInput in;
    in.frameViewSize = QSizeF(width(), H);
    in.titleBarHeight = titleBarHeight_;
    QWidget* buttons[3];
    for (int k = 0; k < 3; ++k) {
        auto kind = StandardWindowButton::Kind(k);
        buttons[k] = buttonOrStandard(kind);
        // A button of the user's hides the standard one it replaces.
        standardButtons_[k]->setVisible(buttons[k] == standardButtons_[k]);
    }
    in.closeSize = buttons[0]->size();
    in.minimizeSize = buttons[1]->size();
    in.zoomSize = buttons[2]->size();
    if (fullScreenButton_) {
        in.fullScreenSize = QSizeF(fullScreenButton_->size());
        in.fullScreenCurrentX = fullScreenButton_->x();
    }
    in.fullScreenMarginFixed = setFullScreenButtonRightMargin_;
    in.fullScreenRightMargin = fullScreenButtonRightMargin_;
    in.centerTrafficLightButtons = centerTrafficLightButtons_;
    in.verticalTrafficLightButtons = verticalTrafficLightButtons_;
    in.centerFullScreenButton = centerFullScreenButton_;
    in.leftMargin = trafficLightButtonsLeftMargin_;
    in.topMargin = trafficLightButtonsTopMargin_;
    in.separation = trafficLightSeparation_;
    in.topButtonMoveUp = topButtonMoveUp_;
    lastLayout_ = toolkit::layoutTitleBar(in);
    setFullScreenButtonRightMargin_ = lastLayout_.fullScreenMarginFixed;
    fullScreenButtonRightMargin_ = lastLayout_.fullScreenRightMargin;

    titleBarContainer_->setGeometry(toolkit::flipRect(lastLayout_.container, H).toRect());
    titleBarContainer_->setVisible(titleBarHeight_ > 0);
    if (titleBarView_ && titleBarView_->parentWidget() == titleBarContainer_)
        titleBarView_->setGeometry(titleBarContainer_->rect());
    const QRectF frames[3] = {lastLayout_.close, lastLayout_.minimize, lastLayout_.zoom};
    for (int k = 0; k < 3; ++k) {
        buttons[k]->setGeometry(toolkit::flipRect(frames[k], H).toRect());
        buttons[k]->raise();
    }
    if (fullScreenButton_ && lastLayout_.fullScreen) {
        fullScreenButton_->setGeometry(toolkit::flipRect(*lastLayout_.fullScreen, H).toRect());
        fullScreenButton_->raise();
    }

    // The content keeps its origin and width; its height is what the title
    // bar leaves.
    if (contentView_) {
        const QRect wanted(contentView_->x(), int(titleBarHeight_), contentView_->width(), int(H - titleBarHeight_));
        if (contentView_->geometry() != wanted)
            contentView_->setGeometry(wanted);
    }
}

QRect TCImageWindow::containerFrame() const { return titleBarContainer_->geometry(); }

QRect TCImageWindow::buttonFrame(StandardWindowButton::Kind kind) const { return buttonOrStandard(kind)->geometry(); }

QRect TCImageWindow::fullScreenButtonFrame() const
{
    return fullScreenButton_ ? fullScreenButton_->geometry() : QRect();
}

void TCImageWindow::redrawTitleBar()
{
    if (titleBarView_)
        titleBarView_->update();
}

void TCImageWindow::refreshTracking()
{
    // A live resize starting and ending: the buttons' pointer captures are
    // cleared and found again on the next move.
    for (TCWindowButton* b : {closeButton_.data(), minimizeButton_.data(), zoomButton_.data(), fullScreenButton_.data()})
        if (b)
            b->viewDidEndLiveResize();
}

void TCImageWindow::performClose()
{
    if (installedDelegate_ && !installedDelegate_->windowShouldClose(this))
        return;
    close();
}

void TCImageWindow::performMiniaturize() { showMinimized(); }

void TCImageWindow::performZoom()
{
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

void TCImageWindow::toggleFullScreen()
{
    if (isFullScreen()) {
        windowWillExitFullScreen();
        showNormal();
    } else {
        windowWillEnterFullScreen();
        showFullScreen();
    }
}

void TCImageWindow::windowWillEnterFullScreen()
{
    installedDelegate_->windowWillEnterFullScreen(this);
    if (!hideTitleBarInFullScreen_)
        return;
    titleBarHeight_ = 0;
    layoutTrafficLightsAndContent();
    redrawTitleBar();
    if (titleBarView_)
        titleBarView_->hide();
}

void TCImageWindow::windowWillExitFullScreen()
{
    installedDelegate_->windowWillExitFullScreen(this);
    if (!hideTitleBarInFullScreen_)
        return;
    titleBarHeight_ = cachedTitleBarHeight_;
    layoutTrafficLightsAndContent();
    redrawTitleBar();
    if (titleBarView_)
        titleBarView_->show();
}

void TCImageWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutTrafficLightsAndContent();
    installedDelegate_->windowDidResize(this);
}

void TCImageWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    layoutTrafficLightsAndContent();
    installedDelegate_->windowDidMove(this);
}

void TCImageWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) {
        redrawTitleBar();
        layoutTrafficLightsAndContent();
        if (isActiveWindow()) {
            refreshTracking();
            installedDelegate_->windowDidBecomeKey(this);
        } else {
            installedDelegate_->windowDidResignKey(this);
        }
    }
}

void TCImageWindow::closeEvent(QCloseEvent* event)
{
    installedDelegate_->windowWillClose(this);
    QWidget::closeEvent(event);
}
