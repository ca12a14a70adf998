// The dialog host and the drop-down host as windows: placement on screen,
// defaults, modal runs, the drop-down's life, and what they look like.
#include "FakeScheduler.h"
#include "WidgetTestSupport.h"

#include "DialogGuard.h"
#include "TestSupport.h"
#include "platform/gui/Compositing.h"
#include "toolkit/Coordinates.h"
#include "toolkit/DropDownHost.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/MAAttachedWindow.h"
#include "toolkit/StatusAttachedWindow.h"
#include "toolkit/TextImageButton.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using toolkit::DropDownState;

namespace {

// A dialog body like the screens build: a caption and two buttons.
QWidget* makeDialogView(const QString& message, QSize size = QSize(300, 200))
{
    auto* view = new QWidget;
    view->resize(size);
    auto* label = new QLabel(message, view);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(20, 40, size.width() - 40, 60);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setFont(toolkit::regularFont(14));
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(255, 255, 255, 220));
    label->setPalette(pal);
    auto* ok = new TextImageButton(QRect(size.width() / 2 + 10, size.height() - 52, 110, 32), view);
    ok->setButtonEnabled(true);
    ok->setImageFromFileNormalName("btn_pril_normal", "btn_pril_press", "btn_pril_hover", "btn_pril_disable");
    ok->setTextWithName(QStringLiteral("继续"), 14);
    auto* cancel = new TextImageButton(QRect(size.width() / 2 - 120, size.height() - 52, 110, 32), view);
    cancel->setButtonEnabled(true);
    cancel->setImageFromFileNormalName("btn_secl_normal", "btn_secl_press", "btn_secl_hover", "btn_secl_disable");
    cancel->setTextWithName(QStringLiteral("取消"), 14);
    return view;
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// The dialog as the user sees it: over a stand-in for the main window.
QImage renderOverBackdrop(QWidget* window)
{
    QImage image(window->size() + QSize(80, 80), QImage::Format_ARGB32_Premultiplied);
    image.fill(tktest::bodyColor());
    QPainter p(&image);
    p.fillRect(QRect(0, 0, image.width(), 36), QColor(40, 40, 50));
    p.setPen(QColor(255, 255, 255, 150));
    p.drawText(QRect(0, 36, image.width(), 60), Qt::AlignCenter, QStringLiteral("主窗口内容 (behind the dialog)"));
    window->render(&p, QPoint(40, 40), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace

TEST(StatusAttachedWindow, PlacesItselfBelowThePointInScreenCoordinates)
{
    std::unique_ptr<QWidget> view(makeDialogView(QStringLiteral("确定要擦除所选文件吗?")));
    QPointer<StatusAttachedWindow> window = StatusAttachedWindow::initWithView(view.get(), {400, 500}, nullptr, 1, 5.0f);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->windowFrame(), QRectF(400 - 152, 500 - 219, 304, 214));
    EXPECT_EQ(window->viewFrame(), QRectF(2, 2, 300, 200));
    const double screenHeight = toolkit::primaryScreenHeight();
    // The body sits where the frame says; the shadow's band lies around it.
    const int m = window->shadowMargin();
    EXPECT_EQ(window->geometry(), QRect(248, int(screenHeight - 281 - 214), 304, 214).adjusted(-m, -m, m, m));
    // The arrow band is at the top: the view starts 12 points down in Qt terms.
    EXPECT_EQ(view->geometry(), QRect(2, 12, 300, 200).translated(m, m));
    EXPECT_EQ(view->parentWidget(), window.data());

    tktest::savePng(renderOverBackdrop(window), QStringLiteral("dialog_side1"));
    window->close();
    flushDeletes();
    EXPECT_FALSE(window) << "closing releases the window";
    EXPECT_EQ(view->parentWidget(), nullptr) << "the view goes back to whoever made it";
}

TEST(StatusAttachedWindow, SideThreeAtDistanceZeroSitsOnThePoint)
{
    std::unique_ptr<QWidget> view(makeDialogView(QStringLiteral("正在修复磁盘")));
    QPointer<StatusAttachedWindow> window = StatusAttachedWindow::initWithView(view.get(), {400, 100}, nullptr, 3, 0.0f);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->windowFrame(), QRectF(248, 100, 304, 214));
    EXPECT_EQ(window->viewFrame(), QRectF(2, 12, 300, 200));
    const int m = window->shadowMargin();
    EXPECT_EQ(view->geometry(), QRect(2, 2, 300, 200).translated(m, m)) << "the band is at the bottom";
    delete window.data();
}

TEST(StatusAttachedWindow, NullViewGivesNoWindow)
{
    EXPECT_EQ(StatusAttachedWindow::initWithView(nullptr, {0, 0}, nullptr, 1, 5.0f), nullptr);
    EXPECT_EQ(MAAttachedWindow::initWithView(nullptr, {0, 0}, nullptr, 1, 0.0f, 0.8f), nullptr);
}

TEST(StatusAttachedWindow, DialogDefaults)
{
    std::unique_ptr<QWidget> view(makeDialogView(QString()));
    QPointer<StatusAttachedWindow> w = StatusAttachedWindow::initWithView(view.get(), {400, 500}, nullptr, 1, 5.0f);
    ASSERT_TRUE(w);
    EXPECT_NEAR(w->windowOpacity(), 0.99, 0.005); // Qt keeps opacity in 1/255 steps
    EXPECT_TRUE(tktest::near(w->windowBackgroundColor().color(), QColor(50, 50, 62, qRound(0.6 * 255)), 1));
    EXPECT_TRUE(tktest::near(w->borderColor(), QColor(0, 0, 0, qRound(0.34 * 255)), 1));
    EXPECT_FLOAT_EQ(w->borderWidth(), 1.0f);
    EXPECT_FLOAT_EQ(w->viewMargin(), 2.0f);
    EXPECT_FLOAT_EQ(w->arrowBaseWidth(), 15.0f);
    EXPECT_FLOAT_EQ(w->arrowHeight(), 10.0f);
    EXPECT_FALSE(w->hasArrow());
    EXPECT_FLOAT_EQ(w->cornerRadius(), 4.0f);
    EXPECT_TRUE(w->drawsRoundCornerBesideArrow());
    EXPECT_EQ(w->windowBackgroundBlurRadius(), 400);
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(w->testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_TRUE(w->canBecomeKeyWindow());
    EXPECT_FALSE(w->canBecomeMainWindow());
    EXPECT_TRUE(w->hasShadow());

    // Setters clamp as the pure rules say, and the window follows.
    w->setBorderWidth(5);
    EXPECT_FLOAT_EQ(w->borderWidth(), 2.0f);
    w->setViewMargin(-1);
    EXPECT_FLOAT_EQ(w->viewMargin(), 0.0f);
    EXPECT_EQ(w->windowFrame().size(), QSizeF(300, 210)) << "no margin any more";
    EXPECT_EQ(view->geometry(), QRect(0, 10, 300, 200).translated(w->shadowMargin(), w->shadowMargin()));
    delete w.data();
}

TEST(StatusAttachedWindow, OutsideTheOutlineStaysTransparent)
{
    std::unique_ptr<QWidget> view(new QWidget);
    view->resize(300, 200);
    QPointer<StatusAttachedWindow> w = StatusAttachedWindow::initWithView(view.get(), {400, 500}, nullptr, 1, 5.0f);
    ASSERT_TRUE(w);
    // The outline alone: the shadow around it has tests of its own.
    w->setHasShadow(false);
    const QImage image = tktest::render(w, Qt::transparent);
    // Points of the body.
    const auto at = [&](int x, int y) { return image.pixel(x + w->shadowMargin(), y + w->shadowMargin()); };
    EXPECT_EQ(qAlpha(at(150, 5)), 0) << "the reserved arrow band is see-through";
    EXPECT_EQ(qAlpha(at(0, 120)), 0) << "outside the outline";
    EXPECT_EQ(qAlpha(at(1, 11)), 0) << "the rounded corner is cut";
    EXPECT_GT(qAlpha(at(150, 120)), 100) << "the body is filled";
    // The border: darker than the body just inside the outline.
    const QColor edge = QColor::fromRgba(at(1, 120));
    const QColor body = QColor::fromRgba(at(150, 120));
    EXPECT_GT(edge.alpha(), body.alpha());
    delete w.data();
}

TEST(StatusAttachedWindow, ModalRunEndsWhenATimerClosesTheDialog)
{
    std::unique_ptr<QWidget> view(makeDialogView(QStringLiteral("擦除完成")));
    QPointer<StatusAttachedWindow> w = StatusAttachedWindow::initWithView(view.get(), {400, 500}, nullptr, 1, 5.0f);
    ASSERT_TRUE(w);
    w->center();
    bool sawRunning = false;
    bool sawModal = false;
    QTimer::singleShot(50, w, [&] {
        sawRunning = w->isRunningModal() && w->isVisible();
        sawModal = QApplication::activeModalWidget() == w || w->windowModality() == Qt::ApplicationModal;
        w->close();
    });
    // A safety net, so a broken close cannot hang the test.
    bool rescued = false;
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [&] { rescued = true; if (w) w->windowWillClose(); });
    safety.start(5000);
    nvtest::ExpectDialogs expectDialog; // the test closes it itself
    w->runModal();
    safety.stop();
    EXPECT_FALSE(rescued);
    EXPECT_TRUE(sawRunning);
    EXPECT_TRUE(sawModal);
    flushDeletes();
    EXPECT_FALSE(w);
}

TEST(StatusAttachedWindow, CloseBeforeTheRunMakesTheRunReturnAtOnce)
{
    std::unique_ptr<QWidget> view(makeDialogView(QString()));
    StatusAttachedWindow* w = StatusAttachedWindow::initWithView(view.get(), {400, 500}, nullptr, 1, 5.0f);
    QPointer<StatusAttachedWindow> guard(w);
    w->close();
    bool rescued = false;
    QObject rescueScope; // the safety net ends with the test
    QTimer::singleShot(3000, &rescueScope, [&] { rescued = true; if (guard) guard->windowWillClose(); });
    nvtest::ExpectDialogs expectDialog; // the test closes it itself
    w->runModal(); // the window is only deleted once the event loop runs, so `w` is still valid here
    EXPECT_FALSE(rescued);
    w->close(); // closing again does nothing more
    flushDeletes();
    EXPECT_FALSE(guard);
}

TEST(StatusAttachedWindow, ClosingTheInnerDialogEndsOnlyItsOwnRun)
{
    std::unique_ptr<QWidget> outerView(makeDialogView(QStringLiteral("外层")));
    std::unique_ptr<QWidget> innerView(makeDialogView(QStringLiteral("内层")));
    QPointer<StatusAttachedWindow> outer = StatusAttachedWindow::initWithView(outerView.get(), {400, 500}, nullptr, 1, 5.0f);
    QStringList order;
    QTimer::singleShot(20, outer, [&] {
        QPointer<StatusAttachedWindow> inner = StatusAttachedWindow::initWithView(innerView.get(), {400, 500}, nullptr, 1, 5.0f);
        QTimer::singleShot(30, inner, [inner] { inner->close(); });
        inner->runModal();
        order << QStringLiteral("inner returned");
        order << (outer->isRunningModal() ? QStringLiteral("outer still running") : QStringLiteral("outer stopped"));
        QTimer::singleShot(20, outer, [&] { outer->close(); });
    });
    QObject rescueScope; // the safety net ends with the test
    QTimer::singleShot(5000, &rescueScope, [&] { if (outer) outer->windowWillClose(); order << QStringLiteral("rescued"); });
    nvtest::ExpectDialogs expectDialog; // the test closes it itself
    outer->runModal();
    order << QStringLiteral("outer returned");
    EXPECT_EQ(order, (QStringList{"inner returned", "outer still running", "outer returned"}));
    flushDeletes();
}

TEST(StatusAttachedWindow, EscapeAndEnterDoNotCloseIt)
{
    std::unique_ptr<QWidget> view(makeDialogView(QString()));
    QPointer<StatusAttachedWindow> w = StatusAttachedWindow::initWithView(view.get(), {400, 500}, nullptr, 1, 5.0f);
    bool stillOpen = false;
    QTimer::singleShot(30, w, [&] {
        QTest::keyClick(w, Qt::Key_Escape);
        QTest::keyClick(w, Qt::Key_Return);
        QCoreApplication::processEvents();
        stillOpen = w && w->isVisible() && w->isRunningModal();
        w->close();
    });
    QObject rescueScope; // the safety net ends with the test
    QTimer::singleShot(5000, &rescueScope, [&] { if (w) w->windowWillClose(); });
    nvtest::ExpectDialogs expectDialog; // the test closes it itself
    w->runModal();
    EXPECT_TRUE(stillOpen);
    flushDeletes();
}

TEST(StatusAttachedWindow, DelegateHearsThePointerAndLosingFocus)
{
    struct Observer : StatusAttachedWindowDelegate {
        QList<bool> inside;
        int hidden = 0;
        void mouseInWindow(bool in) override { inside << in; }
        void isHiddenWindow() override { ++hidden; }
    } observer;
    std::unique_ptr<QWidget> view(makeDialogView(QString()));
    QPointer<StatusAttachedWindow> w = StatusAttachedWindow::initWithView(view.get(), {400, 500}, nullptr, 1, 5.0f);
    w->setMattachedWDelegate(&observer);
    const int m = w->shadowMargin();
    ASSERT_GT(m, 0) << "offscreen, transparency reaches the picture: the dialog has its shadow";
    const auto hover = [&](QEvent::Type type, QPointF at) {
        QHoverEvent e(type, at, w->mapToGlobal(at), QPointF(-1, -1));
        QApplication::sendEvent(w, &e);
    };
    hover(QEvent::HoverEnter, QPointF(m / 2, m / 2));
    EXPECT_TRUE(observer.inside.isEmpty()) << "the shadow is not the content";
    hover(QEvent::HoverMove, view->mapTo(w, QPointF(150, 100)));
    hover(QEvent::HoverMove, view->mapTo(w, QPointF(160, 100)));
    hover(QEvent::HoverMove, QPointF(w->width() - 2, m + 20));
    hover(QEvent::HoverMove, QPointF(m + 20, m + 20));
    hover(QEvent::HoverLeave, QPointF(-1, -1));
    EXPECT_EQ(observer.inside, (QList<bool>{true, false, true, false}));

    // Delivered as the window system delivers them: over a button of the
    // view the window still hears it.
    observer.inside.clear();
    w->show();
    QCoreApplication::processEvents();
    QWidget* button = view->findChild<TextImageButton*>();
    ASSERT_TRUE(button);
    QTest::mouseMove(button, QPoint(10, 10));
    QCoreApplication::processEvents();
    QTest::mouseMove(w, QPoint(2, 2));
    QCoreApplication::processEvents();
    EXPECT_EQ(observer.inside, (QList<bool>{true, false}));
    w->closeMattachedWindow();
    EXPECT_EQ(observer.hidden, 1);
    delete w.data();
}

TEST(StatusAttachedWindow, ArrowOnEverySide)
{
    QList<QImage> pictures;
    for (int side = 0; side <= 11; ++side) {
        std::unique_ptr<QWidget> view(new QWidget);
        view->resize(160, 90);
        auto* label = new QLabel(QStringLiteral("side %1").arg(side), view.get());
        label->setGeometry(0, 0, 160, 90);
        label->setAlignment(Qt::AlignCenter);
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, Qt::white);
        label->setPalette(pal);
        QPointer<StatusAttachedWindow> w = StatusAttachedWindow::initWithView(view.get(), {400, 400}, nullptr, side, 0.0f);
        w->setHasArrow(true);
        EXPECT_EQ(w->side(), side);
        QImage picture(w->size() + QSize(10, 10), QImage::Format_ARGB32_Premultiplied);
        picture.fill(tktest::bodyColor().darker(140));
        QPainter p(&picture);
        w->render(&p, QPoint(5, 5), QRegion(), QWidget::DrawChildren);
        p.end();
        pictures << picture;
        delete w.data();
    }
    tktest::savePng(tktest::sheet(pictures, 4), QStringLiteral("dialog_arrows_all_sides"));
}

TEST(StatusAttachedWindow, AutomaticSideIsResolvedAtCreation)
{
    std::unique_ptr<QWidget> view(new QWidget);
    view->resize(300, 200);
    const QRectF screen = toolkit::systemVisibleFrame(nullptr);
    // A point in the middle of the screen with room below.
    QPointer<StatusAttachedWindow> w = StatusAttachedWindow::initWithView(
        view.get(), QPointF(screen.x() + screen.width() / 2, screen.y() + screen.height() - 10), nullptr, 12, 5.0f);
    EXPECT_EQ(w->side(), 1);
    delete w.data();
    // A point on the bottom edge: no room below, room on the right.
    w = StatusAttachedWindow::initWithView(view.get(), QPointF(screen.x() + 10, screen.y() + 5), nullptr, 12, 5.0f);
    EXPECT_EQ(w->side(), toolkit::SideRightUp);
    delete w.data();
}

namespace {

QWidget* makeList(QSize size = QSize(200, 120))
{
    auto* list = new QWidget;
    list->resize(size);
    const QStringList rows = {QStringLiteral("按名称"), QStringLiteral("按大小"), QStringLiteral("按类型")};
    for (int i = 0; i < rows.size(); ++i) {
        auto* row = new QLabel(rows[i], list);
        row->setGeometry(12, 8 + i * 36, size.width() - 24, 32);
        row->setFont(toolkit::lightFont(13));
        QPalette pal = row->palette();
        pal.setColor(QPalette::WindowText, QColor(255, 255, 255, i == 0 ? 255 : 178));
        row->setPalette(pal);
        if (i == 0) {
            row->setAutoFillBackground(true);
            pal.setColor(QPalette::Window, QColor(10, 132, 255));
            row->setPalette(pal);
        }
    }
    return list;
}

struct Host {
    std::unique_ptr<QWidget> mainWindow;
    Host()
        : mainWindow(new QWidget)
    {
        mainWindow->setGeometry(100, 100, 800, 600);
    }
};

} // namespace

TEST(MAAttachedWindow, AttachesToThePointOfItsParentWindow)
{
    Host host;
    std::unique_ptr<QWidget> list(makeList());
    QPointer<MAAttachedWindow> w = MAAttachedWindow::initWithView(list.get(), {400, 300}, host.mainWindow.get(), 3, 0.0f, 0.8f);
    ASSERT_TRUE(w);
    const QRectF parentFrame = toolkit::systemFrameOfWindow(host.mainWindow.get());
    const double sx = parentFrame.x() + 400, sy = parentFrame.y() + 300;
    EXPECT_EQ(w->windowFrame(), QRectF(sx - 102, sy, 204, 124));
    EXPECT_EQ(list->geometry(), QRect(2, 2, 200, 120));
    // In Qt's terms: the window's bottom edge is 300 points above the main window's bottom.
    EXPECT_EQ(w->geometry().bottom() + 1, host.mainWindow->geometry().bottom() + 1 - 300);
    EXPECT_EQ(w->parentWidget(), host.mainWindow.get());
    EXPECT_TRUE(w->windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(w->windowFlags().testFlag(Qt::FramelessWindowHint));

    w->setPoint({400, 300}, 1);
    EXPECT_EQ(w->windowFrame(), QRectF(sx - 102, sy - 124, 204, 124));
    EXPECT_EQ(w->side(), 1);
    delete w.data();
}

TEST(MAAttachedWindow, DropDownDefaultsAndLook)
{
    Host host;
    std::unique_ptr<QWidget> list(makeList());
    QPointer<MAAttachedWindow> w = MAAttachedWindow::initWithView(list.get(), {400, 300}, host.mainWindow.get(), 1, 0.0f, 0.8f);
    EXPECT_TRUE(tktest::near(w->windowBackgroundColor().color(), QColor(50, 50, 57), 1));
    EXPECT_TRUE(tktest::near(w->borderColor(), QColor(33, 33, 43), 1));
    EXPECT_FLOAT_EQ(w->arrowBaseWidth(), 0.0f);
    EXPECT_FLOAT_EQ(w->arrowHeight(), 0.0f);
    EXPECT_TRUE(w->hasArrow());
    EXPECT_FLOAT_EQ(w->borderWidth(), 1.0f);
    EXPECT_DOUBLE_EQ(w->windowOpacity(), 1.0);
    EXPECT_FALSE(w->hasShadow());
    EXPECT_EQ(w->shadowMargin(), 0) << "a drop-down casts no shadow";
    const QImage image = tktest::render(w, Qt::transparent);
    EXPECT_EQ(image.size(), QSize(204, 124));
    EXPECT_TRUE(tktest::near(QColor::fromRgba(image.pixel(1, 60)), QColor(33, 33, 43), 2)) << "the 1-point border";
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "the rounded corner";
    EXPECT_TRUE(tktest::near(QColor::fromRgba(image.pixel(100, 118)), QColor(50, 50, 57), 2)) << "the body";
    tktest::savePng(renderOverBackdrop(w), QStringLiteral("dropdown_list"));
    delete w.data();
}

TEST(DropDownHost, UntouchedListGoesAwayAfterItsTimeWithItsController)
{
    Host host;
    auto* clock = new FakeScheduler;
    DropDownHost dropDown(DropDownState::Reopen::Replace, nullptr, std::unique_ptr<FakeScheduler>(clock));
    auto* controller = new QObject;
    QPointer<QObject> controllerGuard(controller);
    QPointer<QWidget> list(makeList());
    QObject::connect(controller, &QObject::destroyed, list, &QObject::deleteLater); // the controller owns its view
    QPointer<MAAttachedWindow> w = dropDown.open(controller, list, host.mainWindow.get(), {400, 300}, 3);
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(dropDown.isPopSortWin());
    int closedSignals = 0;
    QObject::connect(&dropDown, &DropDownHost::closed, [&] { ++closedSignals; });
    clock->advance(1999);
    EXPECT_TRUE(w && w->isVisible());
    clock->advance(1);
    EXPECT_FALSE(dropDown.isShown());
    EXPECT_TRUE(!w || !w->isVisible());
    flushDeletes();
    EXPECT_FALSE(w);
    EXPECT_FALSE(controllerGuard);
    EXPECT_FALSE(list);
    EXPECT_EQ(closedSignals, 1);
}

TEST(DropDownHost, ChoiceFromInsideTheListClosesItSafely)
{
    Host host;
    host.mainWindow->show();
    auto* clock = new FakeScheduler;
    DropDownHost dropDown(DropDownState::Reopen::IgnoreWhileOpen, nullptr, std::unique_ptr<FakeScheduler>(clock));
    QPointer<QWidget> list(new QWidget);
    list->resize(200, 60);
    auto* row = new QPushButton(QStringLiteral("DoD 5220.22-M"), list);
    row->setGeometry(0, 0, 200, 60);
    int chosen = 0;
    QObject::connect(row, &QPushButton::clicked, [&] {
        ++chosen;
        dropDown.choiceMade(); // the list's choice message, sent from its own click handling
    });
    QPointer<MAAttachedWindow> w = dropDown.open(list, list, host.mainWindow.get(), {100, 100}, 1);
    ASSERT_TRUE(w);
    w->show();
    EXPECT_FALSE(dropDown.canOpen()) << "a confirmation host ignores opening while its list is shown";
    auto* ignored = new QObject;
    QPointer<QObject> ignoredGuard(ignored);
    std::unique_ptr<QWidget> extra(makeList());
    EXPECT_EQ(dropDown.open(ignored, extra.get(), host.mainWindow.get(), {0, 0}, 1), nullptr);
    EXPECT_FALSE(ignoredGuard) << "an ignored opening releases what it was given";

    QTest::mouseClick(row, Qt::LeftButton);
    EXPECT_EQ(chosen, 1);
    EXPECT_FALSE(dropDown.isShown());
    flushDeletes();
    EXPECT_FALSE(w);
    EXPECT_FALSE(list);
    EXPECT_TRUE(dropDown.canOpen());
}

TEST(DropDownHost, PointerInsideKeepsItPastTheTimedClose)
{
    Host host;
    auto* clock = new FakeScheduler;
    DropDownHost dropDown(DropDownState::Reopen::Replace, nullptr, std::unique_ptr<FakeScheduler>(clock));
    std::unique_ptr<QWidget> list(makeList());
    QPointer<MAAttachedWindow> first = dropDown.open(nullptr, list.get(), host.mainWindow.get(), {400, 300}, 3);
    dropDown.mouseEixtView(false);
    clock->advance(2500);
    EXPECT_TRUE(first && first->isVisible());
    // Opening again replaces the shown list.
    std::unique_ptr<QWidget> list2(makeList());
    QPointer<MAAttachedWindow> second = dropDown.open(nullptr, list2.get(), host.mainWindow.get(), {400, 300}, 3);
    EXPECT_TRUE(!first || !first->isVisible());
    EXPECT_TRUE(second && second->isVisible());
    dropDown.mouseEixtView(false);
    dropDown.mouseEixtView(true);
    EXPECT_FALSE(dropDown.isShown());
    flushDeletes();
    EXPECT_FALSE(first);
    EXPECT_FALSE(second);
    EXPECT_EQ(list->parentWidget(), nullptr) << "views not owned by a controller are handed back";
}

TEST(DropDownHost, TimedCloseArrivesDuringAModalRun)
{
    std::unique_ptr<QWidget> view(makeDialogView(QStringLiteral("擦除标准")));
    QPointer<StatusAttachedWindow> dialog = StatusAttachedWindow::initWithView(view.get(), {400, 500}, nullptr, 1, 5.0f);
    // Real timers, shortened.
    DropDownHost dropDown(DropDownState::Reopen::IgnoreWhileOpen, nullptr, nullptr, 100);
    QElapsedTimer clock;
    qint64 closedAfter = -1;
    QObject::connect(&dropDown, &DropDownHost::closed, [&] {
        closedAfter = clock.elapsed();
        dialog->close();
    });
    std::unique_ptr<QWidget> list(makeList());
    QTimer::singleShot(0, dialog, [&] {
        clock.start();
        dropDown.open(nullptr, list.get(), dialog, {150, 40}, 1);
    });
    QObject rescueScope; // the safety net ends with the test
    QTimer::singleShot(5000, &rescueScope, [&] { if (dialog) dialog->windowWillClose(); });
    nvtest::ExpectDialogs expectDialog; // the test closes it itself
    dialog->runModal();
    EXPECT_GE(closedAfter, 100);
    EXPECT_LT(closedAfter, 4000) << "the timed close did not arrive while the dialog ran";
    flushDeletes();
}

TEST(MAAttachedWindow, InsideADialogItKeepsItsPlaceWhetherOrNotTheDialogCastsAShadow)
{
    // Where the drop-down lands relative to the dialog's own view, and where
    // a point of the view lands through the dialog's base coordinates.
    const auto place = [](bool compositing) {
        platform::setCompositingProbe([compositing] { return compositing; });
        std::unique_ptr<QWidget> view(makeDialogView(QStringLiteral("格式化")));
        auto* field = new QWidget(view.get());
        field->setGeometry(40, 120, 100, 20);
        QPointer<StatusAttachedWindow> dialog =
            StatusAttachedWindow::initWithView(view.get(), {400, 500}, nullptr, 1, 5.0f);
        EXPECT_EQ(dialog->shadowMargin() > 0, compositing);
        std::unique_ptr<QWidget> list(makeList());
        QPointer<MAAttachedWindow> dropDown = MAAttachedWindow::initWithView(
            list.get(), dialog->viewFrame().topLeft() + QPointF(50, 30), dialog, 1, 0.0f, 0.8f);
        const QPointF viewOrigin = toolkit::screenPointFromQt(QPointF(view->mapToGlobal(QPoint(0, 0))));
        const QPointF fieldPoint = toolkit::screenPointFromQt(QPointF(field->mapToGlobal(QPoint(10, 5))));
        const QPointF throughBase =
            toolkit::convertBaseToScreen(dialog, toolkit::windowBasePoint(field, QPointF(10, 5)));
        EXPECT_EQ(throughBase, fieldPoint) << "base coordinates start at the body, not at the shadow";
        const QPointF offset = dropDown->windowFrame().topLeft() - viewOrigin;
        delete dropDown.data();
        delete dialog.data();
        return offset;
    };
    const QPointF masked = place(false);
    const QPointF shadowed = place(true);
    platform::setCompositingProbe({});
    EXPECT_EQ(shadowed, masked);
}
