// Window buttons and their groups, the custom title-bar window and the
// window-button holders: the layout rules with the system's numbers, capture
// counting, the delegate proxy, images per state, and pictures.
#include "WidgetTestSupport.h"

#include "TestSupport.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"
#include "toolkit/CustomWindowButtonView.h"
#include "toolkit/MLToolbar.h"
#include "toolkit/NSColor_TCAdditions.h"
#include "toolkit/TCImageWindow.h"
#include "toolkit/TCWindowButton.h"
#include "toolkit/WindowButtonLayout.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

using namespace toolkit;

namespace {

// Counts a notification's posts while it lives.
struct PostCounter {
    explicit PostCounter(const QString& name)
    {
        token = platform::NotificationCenter::defaultCenter().addObserver(
            name, [this](const platform::Notification& n) {
                ++count;
                lastSender = n.sender;
            });
    }
    ~PostCounter() { platform::NotificationCenter::defaultCenter().removeObserver(token); }
    int count = 0;
    const void* lastSender = nullptr;
    platform::NotificationCenter::Token token;
};

void sendEnter(QWidget* w)
{
    QEnterEvent e(QPointF(2, 2), QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(w, &e);
}

void sendMove(QWidget* w, const QPoint& pos)
{
    QMouseEvent e(QEvent::MouseMove, QPointF(pos), w->mapToGlobal(QPointF(pos)), Qt::NoButton, Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void sendLeave(QWidget* w)
{
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}

TCWindowButton* imagedButton(const QString& group, QWidget* parent)
{
    auto* b = TCWindowButton::windowButtonWithSize(QSize(14, 14), group, parent);
    b->activeImage = imageNamed(QStringLiteral("window-button-close-active"));
    b->activeNotKeyWindowImage = imageNamed(QStringLiteral("window-button-minimize-active"));
    b->inactiveImage = imageNamed(QStringLiteral("window-button-all-inactive"));
    b->rolloverImage = imageNamed(QStringLiteral("window-button-close-hover"));
    b->setPressedImage(imageNamed(QStringLiteral("window-button-close-press")));
    return b;
}

} // namespace

// ---- geometry, no window

TEST(TitleBarLayout, HorizontalRowCentredAndTopAligned)
{
    TitleBarLayoutInput in;
    in.frameViewSize = QSizeF(400, 300);
    in.titleBarHeight = 40;
    in.closeSize = in.minimizeSize = in.zoomSize = QSizeF(14, 16);
    in.leftMargin = 7;
    in.separation = 6;
    TitleBarLayout out = layoutTitleBar(in);
    EXPECT_EQ(out.container, QRectF(0, 260, 400, 40));
    // midY 280 − 8 = 272, rounded.
    EXPECT_EQ(out.close, QRectF(7, 272, 14, 16));
    EXPECT_EQ(out.minimize, QRectF(27, 272, 14, 16));
    EXPECT_EQ(out.zoom, QRectF(47, 272, 14, 16));

    in.centerTrafficLightButtons = false;
    in.topMargin = 3;
    in.topButtonMoveUp = 2;
    out = layoutTitleBar(in);
    // maxY 300 − 16 − 3 = 281, then moved up by 2.
    EXPECT_EQ(out.close.y(), 283);
    EXPECT_EQ(out.zoom.y(), 283);
}

TEST(TitleBarLayout, VerticalColumnHasCloseUppermostAndIgnoresMoveUp)
{
    TitleBarLayoutInput in;
    in.frameViewSize = QSizeF(400, 300);
    in.titleBarHeight = 100;
    in.closeSize = in.minimizeSize = in.zoomSize = QSizeF(14, 14);
    in.leftMargin = 10;
    in.separation = 6;
    in.verticalTrafficLightButtons = true;
    in.topButtonMoveUp = 50;
    TitleBarLayout out = layoutTitleBar(in);
    // total = 42 + 2 × 4 = 50; midY = 250; y0 = 225.
    EXPECT_EQ(out.zoom, QRectF(10, 225, 14, 14));
    EXPECT_EQ(out.minimize, QRectF(10, 243, 14, 14));
    EXPECT_EQ(out.close, QRectF(10, 261, 14, 14));

    in.centerTrafficLightButtons = false;
    in.topMargin = 3;
    out = layoutTitleBar(in);
    // maxY 300 − 50 − 3 = 247.
    EXPECT_EQ(out.zoom.y(), 247);
    EXPECT_EQ(out.close.y(), 283);
}

TEST(TitleBarLayout, FullScreenMarginIsFixedOnFirstLayoutAndKeptAfterResize)
{
    TitleBarLayoutInput in;
    in.frameViewSize = QSizeF(400, 300);
    in.titleBarHeight = 30;
    in.closeSize = in.minimizeSize = in.zoomSize = QSizeF(14, 14);
    in.fullScreenSize = QSizeF(16, 16);
    in.fullScreenCurrentX = 370;
    TitleBarLayout out = layoutTitleBar(in);
    ASSERT_TRUE(out.fullScreen);
    EXPECT_TRUE(out.fullScreenMarginFixed);
    EXPECT_EQ(out.fullScreenRightMargin, 14);
    EXPECT_EQ(out.fullScreen->x(), 370);
    // Not centred: maxY 300 − 16 − 3.
    EXPECT_EQ(out.fullScreen->y(), 281);

    // A wider window keeps the margin, not the x.
    in.frameViewSize = QSizeF(600, 300);
    in.fullScreenMarginFixed = true;
    in.fullScreenRightMargin = out.fullScreenRightMargin;
    in.fullScreenCurrentX = 0;
    in.centerFullScreenButton = true;
    out = layoutTitleBar(in);
    EXPECT_EQ(out.fullScreen->x(), 570);
    EXPECT_EQ(out.fullScreen->y(), 277); // round(285 − 8)
}

TEST(TitleBarLayout, TitleFrameAndSheetPosition)
{
    EXPECT_EQ(titleTextFrame(QRectF(0, 0, 300, 22), QSizeF(40, 14), false), QRectF(80, 4, 40, 14));
    EXPECT_EQ(titleTextFrame(QRectF(0, 0, 300, 22), QSizeF(40, 14), true), QRectF(10, 4, 40, 14));
    EXPECT_EQ(sheetPositionBelowTitleBar(QRectF(5, 100, 200, 0), 400, 30), QRectF(5, 370, 200, 0));
}

TEST(ToolbarLayout, RowsColumnAndTrackingRectangles)
{
    const QSizeF s(14, 16);
    ToolbarButtons row0 = layoutToolbarButtons(40, s, ToolbarArrangement::InitialRow);
    EXPECT_EQ(row0.close, QRectF(8, 19, 14, 16));
    EXPECT_EQ(row0.minimize, QRectF(24, 19, 14, 16));
    EXPECT_EQ(row0.maximize, QRectF(40, 19, 14, 16));
    ToolbarButtons row = layoutToolbarButtons(40, s, ToolbarArrangement::Row);
    EXPECT_EQ(row.close.y(), 9);
    ToolbarButtons col = layoutToolbarButtons(80, s, ToolbarArrangement::Column);
    EXPECT_EQ(col.close, QRectF(8, 59, 14, 16));
    EXPECT_EQ(col.minimize, QRectF(8, 40, 14, 16));
    EXPECT_EQ(col.maximize, QRectF(8, 21, 14, 16));

    EXPECT_EQ(toolbarTrackingRect(40, s, false, false), QRectF(8, 19, 44, 16));
    EXPECT_EQ(toolbarTrackingRect(40, s, false, true), QRectF(8, 19, 16, 16));
    EXPECT_EQ(toolbarTrackingRect(80, s, true, false), QRectF(8, 21, 14, 54));
    EXPECT_EQ(toolbarTrackingRect(80, s, true, true), QRectF(8, 59, 14, 19));
}

TEST(TitleBarLayout, MeasuresAreThoseOfAStandardTitleBar)
{
    const TitleBarMeasures& m = titleBarMeasures();
    EXPECT_EQ(&m, &titleBarMeasures());
    EXPECT_GT(m.minimumTitleBarHeight, standardWindowButtonSize().height());
    EXPECT_GT(m.defaultLeftMargin, 0);
    EXPECT_GT(m.defaultSeparation, 0);
}

// ---- groups and buttons

TEST(TCWindowButtonGroup, RegistryCountsAndPosts)
{
    EXPECT_EQ(TCWindowButtonGroup::groupWithIdentifier(),
              TCWindowButtonGroup::groupWithIdentifier(QString::fromLatin1(TCWindowButtonGroup::kDefaultIdentifier)));
    TCWindowButtonGroup* g = TCWindowButtonGroup::groupWithIdentifier(QStringLiteral("t.registry"));
    EXPECT_EQ(g, TCWindowButtonGroup::groupWithIdentifier(QStringLiteral("t.registry")));
    EXPECT_NE(g, TCWindowButtonGroup::groupWithIdentifier());

    PostCounter posts(QString::fromLatin1(TCWindowButtonGroup::kDidUpdateRolloverStateNotification));
    g->setNumberOfCaptures(-1);
    EXPECT_EQ(g->numberOfCaptures(), 0);
    g->setNumberOfCaptures(0);
    EXPECT_EQ(posts.count, 0);
    g->setNumberOfCaptures(2);
    EXPECT_EQ(posts.count, 1);
    EXPECT_EQ(posts.lastSender, g);
    EXPECT_TRUE(g->shouldDisplayRollOver());
    g->setNumberOfCaptures(2);
    EXPECT_EQ(posts.count, 1);
    g->didReleaseMousePointer();
    g->didCaptureMousePointer();
    g->resetMouseCaptures();
    EXPECT_EQ(posts.count, 1);
    EXPECT_FALSE(g->shouldDisplayRollOver());
}

TEST(TCWindowButton, RollOverWhileAnyButtonOfTheGroupHoldsThePointer)
{
    QWidget bar;
    bar.resize(100, 30);
    TCWindowButton* a = imagedButton(QStringLiteral("t.capture"), &bar);
    TCWindowButton* b = imagedButton(QStringLiteral("t.capture"), &bar);
    TCWindowButton* other = imagedButton(QStringLiteral("t.capture.other"), &bar);
    a->move(10, 8);
    b->move(40, 8);
    other->move(70, 8);
    TCWindowButtonGroup* g = a->group();

    sendEnter(a);
    EXPECT_EQ(g->numberOfCaptures(), 1);
    EXPECT_EQ(a->shownImage().name(), QStringLiteral("window-button-close-hover"));
    // The other button changes on its own next update, or at once when the
    // count is set through the posting setter.
    EXPECT_NE(b->shownImage().name(), QStringLiteral("window-button-close-hover"));
    b->updateRollOverImage();
    EXPECT_EQ(b->shownImage().name(), QStringLiteral("window-button-close-hover"));
    EXPECT_NE(other->shownImage().name(), QStringLiteral("window-button-close-hover"));

    // Inside the 4-point margin still counts; beyond it does not.
    sendMove(&bar, QPoint(10 + 14 + 3, 10));
    EXPECT_EQ(g->numberOfCaptures(), 1);
    sendMove(&bar, QPoint(10 + 14 + 6, 10));
    EXPECT_EQ(g->numberOfCaptures(), 0);
    EXPECT_NE(a->shownImage().name(), QStringLiteral("window-button-close-hover"));

    // Two buttons held, one released: the group still shows roll-over.
    sendEnter(a);
    sendEnter(b);
    EXPECT_EQ(g->numberOfCaptures(), 2);
    sendMove(&bar, QPoint(42, 10)); // over b only
    EXPECT_EQ(g->numberOfCaptures(), 1);
    EXPECT_EQ(b->shownImage().name(), QStringLiteral("window-button-close-hover"));
    sendLeave(&bar);
    EXPECT_EQ(g->numberOfCaptures(), 0);

    // A live resize clears the captures.
    sendEnter(a);
    a->viewDidEndLiveResize();
    EXPECT_EQ(g->numberOfCaptures(), 0);
}

TEST(TCWindowButton, ImagesByEnabledStateAndFocus)
{
    QWidget bar;
    bar.resize(60, 30);
    TCWindowButton* a = imagedButton(QStringLiteral("t.images"), &bar);
    a->setButtonEnabled(false);
    EXPECT_EQ(a->shownImage().name(), QStringLiteral("window-button-all-inactive"));
    // Disabled shows inactive even with the pointer over it.
    sendEnter(a);
    EXPECT_EQ(a->shownImage().name(), QStringLiteral("window-button-all-inactive"));
    sendLeave(&bar);

    a->setButtonEnabled(true);
    EXPECT_EQ(a->shownImage().name(), QStringLiteral("window-button-close-active"));
    // A window that is not the key window gets the not-key image.
    a->updateImage();
    EXPECT_EQ(a->shownImage().name(), bar.isActiveWindow() ? QStringLiteral("window-button-close-active")
                                                            : QStringLiteral("window-button-minimize-active"));
    a->setDown(true);
    EXPECT_EQ(a->shownImage().name(), QStringLiteral("window-button-close-press"));
    a->setDown(false);
}

TEST(TCWindowButton, FullScreenHidesTheButtonAndClearsTheCount)
{
    QWidget window;
    window.resize(200, 100);
    TCWindowButton* a = imagedButton(QStringLiteral("t.fullscreen"), &window);
    a->setButtonEnabled(true);
    window.show();
    sendEnter(a);
    EXPECT_EQ(a->group()->numberOfCaptures(), 1);
    window.setWindowState(Qt::WindowFullScreen);
    QWindowStateChangeEvent enter(Qt::WindowNoState);
    QApplication::sendEvent(&window, &enter);
    EXPECT_EQ(a->group()->numberOfCaptures(), 0);
    EXPECT_TRUE(a->isHidden());
    window.setWindowState(Qt::WindowNoState);
    QWindowStateChangeEvent leave(Qt::WindowFullScreen);
    QApplication::sendEvent(&window, &leave);
    EXPECT_FALSE(a->isHidden());
    EXPECT_NE(a->shownImage().name(), QStringLiteral("window-button-close-hover"));
}

// ---- the custom title-bar window

namespace {

struct RecordingDelegate : TCImageWindowDelegate {
    bool respondsToWillPositionSheet() const override { return false; }
    bool windowShouldClose(TCImageWindow*) override
    {
        ++shouldClose;
        return allowClose;
    }
    void windowDidResize(TCImageWindow*) override { ++resized; }
    void windowWillEnterFullScreen(TCImageWindow*) override { ++enterFullScreen; }
    int shouldClose = 0;
    int resized = 0;
    int enterFullScreen = 0;
    bool allowClose = false;
};

} // namespace

TEST(TCImageWindowDelegateProxy, AnswersTheSheetItselfAndForwardsTheRest)
{
    TCImageWindow window(QRect(100, 100, 300, 200));
    TCImageWindowDelegate* proxy = window.windowDelegate();
    ASSERT_NE(proxy, nullptr);
    EXPECT_TRUE(proxy->respondsToWillPositionSheet());
    // No secondary delegate: closing is allowed and nothing is of its kind.
    EXPECT_TRUE(proxy->windowShouldClose(&window));
    EXPECT_FALSE(static_cast<TCImageWindowDelegateProxy*>(proxy)->isKindOf<RecordingDelegate>());

    RecordingDelegate d;
    window.setDelegate(&d);
    EXPECT_EQ(window.delegate(), &d);
    EXPECT_TRUE(static_cast<TCImageWindowDelegateProxy*>(proxy)->isKindOf<RecordingDelegate>());
    const QRectF sheet = proxy->windowWillPositionSheet(&window, nullptr, QRectF(0, 0, 200, 0));
    EXPECT_EQ(sheet.y(), window.height() - window.titleBarHeight());

    window.performClose();
    EXPECT_EQ(d.shouldClose, 1);
    window.show();
    window.resize(320, 240);
    EXPECT_GE(d.resized, 1);
    window.setHideTitleBarInFullScreen(true);
    window.windowWillEnterFullScreen();
    EXPECT_EQ(d.enterFullScreen, 1);
    window.setDelegate(nullptr);
}

TEST(TCImageWindow, LaysOutTheStandardButtonsAndTheContentUnderTheBar)
{
    TCImageWindow window(QRect(100, 100, 300, 200));
    const TitleBarMeasures& m = titleBarMeasures();
    EXPECT_EQ(window.titleBarHeight(), m.minimumTitleBarHeight);
    EXPECT_EQ(window.height(), 200 + int(m.minimumTitleBarHeight));
    EXPECT_EQ(window.containerFrame(), QRect(0, 0, 300, int(m.minimumTitleBarHeight)));
    EXPECT_EQ(window.contentView()->geometry(), QRect(0, int(m.minimumTitleBarHeight), 300, 200));
    const QRect close = window.buttonFrame(StandardWindowButton::CloseButton);
    EXPECT_EQ(close.x(), int(m.defaultLeftMargin));
    EXPECT_EQ(window.buttonFrame(StandardWindowButton::MiniaturizeButton).x(),
              close.right() + 1 + int(m.defaultSeparation));

    window.setTitleBarHeight(60);
    EXPECT_EQ(window.containerFrame().height(), 60);
    EXPECT_EQ(window.contentView()->geometry().top(), 60);
    EXPECT_EQ(window.contentView()->height(), window.height() - 60);
    // Centred in the bar.
    const QRect centred = window.buttonFrame(StandardWindowButton::CloseButton);
    EXPECT_EQ(centred.top() + centred.height() / 2, 30);

    window.setVerticalTrafficLightButtons(true);
    EXPECT_LT(window.buttonFrame(StandardWindowButton::CloseButton).y(),
              window.buttonFrame(StandardWindowButton::ZoomButton).y());
    EXPECT_EQ(window.buttonFrame(StandardWindowButton::ZoomButton).x(), int(m.defaultLeftMargin));

    // Full screen with the bar hidden, and back to the cached height.
    window.setHideTitleBarInFullScreen(true);
    window.windowWillEnterFullScreen();
    EXPECT_EQ(window.titleBarHeight(), 0);
    EXPECT_EQ(window.contentView()->geometry().top(), 0);
    window.windowWillExitFullScreen();
    EXPECT_EQ(window.titleBarHeight(), 60);
}

TEST(TCImageWindow, ButtonsOfTheUsersReplaceTheStandardOnesAndAct)
{
    TCImageWindow window(QRect(100, 100, 300, 200));
    window.setTitleBarHeight(30);
    TCWindowButton* close = imagedButton(QStringLiteral("t.window"), nullptr);
    close->setButtonEnabled(true);
    window.setCloseButton(close);
    EXPECT_EQ(close->parentWidget(), &window);
    EXPECT_TRUE(window.standardWindowButton(StandardWindowButton::CloseButton)->isHidden());
    EXPECT_FALSE(window.standardWindowButton(StandardWindowButton::ZoomButton)->isHidden());
    EXPECT_EQ(close->geometry(), window.buttonFrame(StandardWindowButton::CloseButton));

    RecordingDelegate d;
    window.setDelegate(&d);
    window.show();
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_EQ(d.shouldClose, 1);
    EXPECT_TRUE(window.isVisible()); // the delegate said no
    d.allowClose = true;
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
    window.setDelegate(nullptr);

    // A full-screen button keeps its right margin when the window widens.
    TCWindowButton* full = imagedButton(QStringLiteral("t.window"), nullptr);
    full->resize(16, 16);
    window.setFullScreenButton(full);
    window.show();
    const int margin = window.width() - window.fullScreenButtonFrame().right() - 1;
    window.resize(500, window.height());
    EXPECT_EQ(window.width(), 500);
    EXPECT_EQ(window.width() - window.fullScreenButtonFrame().right() - 1, margin);
}

TEST(TCImageWindow, TitleBarPicturesAndTitleColour)
{
    TCImageWindow window(QRect(100, 100, 300, 120));
    window.setTitleBarHeight(28);
    window.setTitle(QStringLiteral("擦除历史"));
    window.setShowsTitle(true);
    window.inactiveTitleTextColor = QColor(200, 20, 20);
    window.contentView()->setAutoFillBackground(true);
    QPalette p = window.contentView()->palette();
    p.setColor(QPalette::Window, tktest::bodyColor());
    window.contentView()->setPalette(p);
    const QImage plain = tktest::saveRendering(&window, QStringLiteral("tcimagewindow"));
    // A white bar with rounded top corners, the title in the inactive colour.
    EXPECT_TRUE(tktest::near(plain.pixelColor(150, 3), Qt::white));
    EXPECT_FALSE(tktest::near(plain.pixelColor(0, 0), Qt::white, 60));
    bool redTitle = false;
    for (int x = 80; x < 140 && !redTitle; ++x)
        for (int y = 4; y < 24 && !redTitle; ++y)
            redTitle = tktest::near(plain.pixelColor(x, y), QColor(200, 20, 20), 40);
    EXPECT_TRUE(redTitle);

    // A drawing block paints the bar alone.
    window.setTitleBarDrawingBlock([](QPainter& painter, bool, const QRectF& bounds, const QPainterPath& clip) {
        painter.setClipPath(clip);
        painter.fillRect(bounds, QColor(31, 167, 242));
    });
    const QImage blocked = tktest::saveRendering(&window, QStringLiteral("tcimagewindow-block"));
    EXPECT_TRUE(tktest::near(blocked.pixelColor(150, 3), QColor(31, 167, 242)));
}

TEST(TCImageWindow, DoubleClickMinimisesOnlyWhenTheUserAsks)
{
    TCImageWindow window(QRect(100, 100, 300, 120));
    window.show();
    QWidget* bar = window.titleBarView();
    platform::defaults::setValue(QStringLiteral("AppleMiniaturizeOnDoubleClick"), false);
    QTest::mouseDClick(bar, Qt::LeftButton, {}, QPoint(150, 10));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(150, 10));
    EXPECT_FALSE(window.isMinimized());
    platform::defaults::setValue(QStringLiteral("AppleMiniaturizeOnDoubleClick"), true);
    QTest::mouseDClick(bar, Qt::LeftButton, {}, QPoint(150, 10));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(150, 10));
    EXPECT_TRUE(window.windowState() & Qt::WindowMinimized);
    platform::defaults::remove(QStringLiteral("AppleMiniaturizeOnDoubleClick"));
}

TEST(TCImageWindow, DraggingTheBarMovesTheWindow)
{
    TCImageWindow window(QRect(100, 100, 300, 120));
    window.show();
    const QPoint start = window.pos();
    VETitlebarContainer* bar = window.titleBarContainer();
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(150, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(170, 25), bar->mapToGlobal(QPointF(170, 25)), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &move);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(170, 25));
    EXPECT_EQ(window.pos(), start + QPoint(20, 15));
}

// ---- the holders

TEST(CustomWindowButtonView, SymbolsOnlyWhileThePointerIsInsideTheHolder)
{
    QWidget window;
    window.resize(120, 40);
    auto* holder = new CustomWindowButtonView(&window);
    holder->setGeometry(0, 0, 80, 30);
    auto* close = StandardWindowButton::standardWindowButton(StandardWindowButton::CloseButton, holder);
    auto* zoom = StandardWindowButton::standardWindowButton(StandardWindowButton::ZoomButton, holder);
    zoom->move(40, 0);
    holder->setCloseButton(close);
    holder->setZoomButton(zoom);
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(nvtest::pumpUntil([&] { return window.isActiveWindow(); }, 2000));

    EXPECT_FALSE(close->showsSymbol());
    sendEnter(holder);
    EXPECT_TRUE(holder->mouseInside());
    // Both buttons show their symbols, not only the one under the pointer.
    EXPECT_TRUE(close->showsSymbol());
    EXPECT_EQ(zoom->shownImage().name(), QStringLiteral("window-button-zoom-hover"));
    sendLeave(holder);
    EXPECT_FALSE(zoom->showsSymbol());

    sendEnter(holder);
    holder->applicationWillBecomeActive();
    EXPECT_FALSE(holder->mouseInside());
    EXPECT_EQ(close->shownImage().name(), QStringLiteral("window-button-close-active"));
}

TEST(MLToolbar, RowsFromCodeAndStoredViewsAndTheHoverNotifications)
{
    MLToolbar made(QRect(0, 0, 120, 40));
    const int h = made.closeButton()->height();
    EXPECT_EQ(made.closeButton()->geometry().topLeft(), QPoint(8, 15));
    MLToolbar stored(QRect(0, 0, 120, 40), MLToolbar::FromStoredView{});
    EXPECT_EQ(stored.closeButton()->geometry().topLeft(), QPoint(8, 5));
    EXPECT_EQ(stored.minimizeButton()->x(), 10 + stored.closeButton()->width());
    EXPECT_TRUE(stored.closeButton()->momentaryChange());
    EXPECT_EQ(made.backgroundColor(), QColor(Qt::transparent));

    made.setVerticalButtons(true);
    EXPECT_EQ(made.maximizeButton()->geometry().topLeft(), QPoint(8, 5 + 2 * h + 6));

    PostCounter enters(QStringLiteral("HMTrafficButtonMouseEnter"));
    PostCounter exits(QStringLiteral("HMTrafficButtonMouseExit"));
    stored.pointerAt(QPoint(10, 8));
    EXPECT_EQ(enters.count, 1);
    EXPECT_EQ(enters.lastSender, &stored);
    stored.pointerAt(QPoint(12, 9));
    EXPECT_EQ(enters.count, 1);
    stored.pointerAt(QPoint(110, 30));
    EXPECT_EQ(exits.count, 1);

    stored.setJustClose(true);
    EXPECT_TRUE(stored.minimizeButton()->isHidden());
    EXPECT_EQ(stored.trackingArea()->width(), stored.closeButton()->width() + 2);
    stored.setJustClose(false);
    EXPECT_TRUE(stored.minimizeButton()->isHidden()); // setting it off does not show them

    stored.setHiddenButtons(true);
    EXPECT_FALSE(stored.trackingArea());
    EXPECT_EQ(stored.closeButton(), nullptr);
    stored.pointerAt(QPoint(10, 8));
    EXPECT_EQ(enters.count, 1);
}

TEST(WindowButtons, Pictures)
{
    QWidget sheet;
    sheet.resize(340, 160);
    new MLToolbar(QRect(0, 0, 100, 40), &sheet);
    auto* column = new MLToolbar(QRect(110, 0, 40, 80), MLToolbar::FromStoredView{}, &sheet);
    column->setVerticalButtons(true);
    auto* holder = new CustomWindowButtonView(&sheet);
    holder->setGeometry(160, 0, 80, 30);
    for (int k = 0; k < 3; ++k) {
        auto* b = StandardWindowButton::standardWindowButton(StandardWindowButton::Kind(k), holder);
        b->move(8 + k * 20, 8);
    }
    for (int k = 0; k < 4; ++k) {
        TCWindowButton* b = imagedButton(QStringLiteral("t.pictures"), &sheet);
        b->move(20 + k * 24, 120);
        b->setButtonEnabled(k != 3);
        if (k == 1)
            b->updateRollOverImage();
    }
    const QImage image = tktest::saveRendering(&sheet, QStringLiteral("window-buttons"));
    // The toolbar's close button is drawn where the row puts it.
    EXPECT_FALSE(tktest::near(image.pixelColor(8 + 7, 15 + 7), tktest::bodyColor(), 10));
}

TEST(VE_CGColorCreate, GivesThePlainRgbComponents)
{
    const QColor hsv = QColor::fromHsvF(0.0f, 1.0f, 1.0f, 0.5f);
    const QColor rgb = VE_CGColorCreate(hsv);
    EXPECT_EQ(rgb, hsv.toRgb());
    EXPECT_FLOAT_EQ(rgb.redF(), 1.0f);
    EXPECT_FLOAT_EQ(rgb.greenF(), 0.0f);
    EXPECT_NEAR(rgb.alphaF(), 0.5f, 0.001f);
    EXPECT_EQ(VE_CGColorCreate(Qt::white), QColor(255, 255, 255));
}
