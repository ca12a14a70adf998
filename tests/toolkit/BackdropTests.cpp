// What lies behind a dialog: a strongly blurred picture of our own windows,
// the body colour where none of ours is, and a mask instead of transparency
// when no compositing manager runs.
#include "WidgetTestSupport.h"

#include "TestSupport.h"
#include "platform/gui/Compositing.h"
#include "toolkit/Backdrop.h"
#include "toolkit/StatusAttachedWindow.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A window full of sharp black and white stripes: the worst content to read
// a dialog over.
class BusyWindow : public QWidget {
public:
    BusyWindow() { setAttribute(Qt::WA_OpaquePaintEvent); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        for (int x = 0; x < width(); x += 6) {
            p.fillRect(QRect(x, 0, 3, height()), Qt::white);
            p.fillRect(QRect(x + 3, 0, 3, height()), Qt::black);
        }
    }
};

struct Dialog {
    std::unique_ptr<QWidget> view = std::make_unique<QWidget>();
    QLabel* text = nullptr;
    QPointer<StatusAttachedWindow> window;

    Dialog()
    {
        view->resize(400, 200);
        text = new QLabel(QStringLiteral("确定要擦除选中的文件吗？"), view.get());
        text->setGeometry(20, 20, 360, 30);
        QFont font = text->font();
        font.setPixelSize(18);
        text->setFont(font);
        QPalette palette = text->palette();
        palette.setColor(QPalette::WindowText, Qt::white);
        text->setPalette(palette);
        window = StatusAttachedWindow::initWithView(view.get(), {400, 300}, nullptr, 1, 5.0f);
    }
    ~Dialog()
    {
        if (window)
            window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // A point of the view in the window's coordinates.
    QPoint inWindow(const QPoint& inView) const { return view->mapTo(window, inView); }
};

QPair<int, int> lightnessRange(const QImage& image, const QRect& area)
{
    int low = 255, high = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const int g = qGray(image.pixel(x, y));
            low = std::min(low, g);
            high = std::max(high, g);
        }
    return {low, high};
}

QRect screenArea() { return QGuiApplication::primaryScreen()->geometry(); }

} // namespace

TEST(Backdrop, ABusyWindowBehindADialogNoLongerReachesItsTextAtFullContrast)
{
    BusyWindow busy;
    busy.setGeometry(screenArea());
    busy.show();
    Dialog dialog;
    ASSERT_TRUE(dialog.window);
    dialog.window->center();
    dialog.window->show();
    QCoreApplication::processEvents();
    ASSERT_FALSE(dialog.window->geometry().intersected(busy.geometry()).isEmpty());

    const QImage shown = dialog.window->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    tktest::savePng(shown, QStringLiteral("backdrop_dialog_over_stripes"));
    // Below the text, where only the background is: the stripes are gone.
    const QRect plain(dialog.inWindow(QPoint(40, 100)), QSize(300, 60));
    const auto [low, high] = lightnessRange(shown, plain);
    EXPECT_LT(high - low, 25) << "stripes still show through: " << low << "–" << high;
    EXPECT_EQ(qAlpha(shown.pixel(plain.center())), 255) << "the body is opaque over the blur";
    // The stripes behind differ by 255; the dialog's own text still stands out.
    const QRect words(dialog.inWindow(QPoint(20, 20)), QSize(360, 30));
    const auto [textLow, textHigh] = lightnessRange(shown, words);
    EXPECT_GT(textHigh, 200);
    EXPECT_GT(textHigh - high, 100) << "the text is brighter than anything behind it";

    // Without the blur (the picture left out), the stripes would show.
    const QImage sharp = toolkit::pictureBehind(dialog.window, QRect(dialog.window->mapToGlobal(plain.topLeft()),
                                                                     plain.size()), toolkit::backdropEmptyColor());
    const auto [sharpLow, sharpHigh] = lightnessRange(sharp, sharp.rect());
    EXPECT_GT(sharpHigh - sharpLow, 200) << "the picture behind is the stripes themselves";
}

TEST(Backdrop, WhereNothingOfOursLiesBehindTheBodyColourIsOpaque)
{
    BusyWindow busy;
    const QRect screen = screenArea();
    busy.setGeometry(screen.x(), screen.y(), screen.width() / 2, screen.height());
    busy.show();
    Dialog dialog;
    dialog.window->center();
    dialog.window->show();
    QCoreApplication::processEvents();
    const QImage shown = dialog.window->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    tktest::savePng(shown, QStringLiteral("backdrop_dialog_half_over_nothing"));
    // The view's right end lies beyond the busy window.
    const QPoint beyond = dialog.inWindow(QPoint(385, 150));
    ASSERT_GT(dialog.window->mapToGlobal(beyond).x(), busy.geometry().right() + 40);
    const QColor c = QColor::fromRgba(shown.pixel(beyond));
    EXPECT_EQ(c.alpha(), 255);
    EXPECT_TRUE(tktest::near(c, toolkit::backdropEmptyColor(), 4)) << c.name().toStdString();
}

TEST(Backdrop, TheBlurKeepsColoursAndDropsDetail)
{
    QImage stripes(120, 60, QImage::Format_ARGB32_Premultiplied);
    for (int x = 0; x < stripes.width(); ++x)
        for (int y = 0; y < stripes.height(); ++y)
            stripes.setPixel(x, y, (x / 2) % 2 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    const QImage blurred = toolkit::blurStrongly(stripes, 400);
    ASSERT_EQ(blurred.size(), stripes.size());
    const QColor middle = blurred.pixelColor(60, 30);
    EXPECT_NEAR(middle.red(), 128, 25);
    EXPECT_NEAR(middle.blue(), 128, 25);
    EXPECT_EQ(toolkit::blurStrongly(stripes, 0), stripes) << "no radius, no blur";
}

TEST(Backdrop, OnlyARepaintUnderTheWindowTakesItsPictureAgain)
{
    // A window behind with two parts: one far from the dialog, one under it.
    QWidget behind;
    const QPoint origin = screenArea().topLeft();
    behind.setGeometry(QRect(origin, QSize(600, 400)));
    auto* far = new QWidget(&behind);
    far->setGeometry(10, 10, 60, 60);
    auto* under = new QWidget(&behind);
    under->setGeometry(300, 200, 60, 60);
    behind.show();

    auto front = std::make_unique<QWidget>(nullptr, Qt::Dialog | Qt::FramelessWindowHint);
    auto* keeper = new toolkit::BackdropKeeper(front.get(), 400);
    front->setGeometry(QRect(origin + QPoint(250, 150), QSize(200, 150)));
    front->show();
    // Every picture is a new image: its cache key tells whether one was taken.
    nvtest::pump(4 * toolkit::BackdropKeeper::kRefreshMs);
    ASSERT_FALSE(keeper->picture().isNull());
    ASSERT_FALSE(far->geometry().translated(origin).intersects(front->geometry()));
    const qint64 settled = keeper->picture().cacheKey();

    far->repaint();
    nvtest::pump(3 * toolkit::BackdropKeeper::kRefreshMs);
    EXPECT_EQ(keeper->picture().cacheKey(), settled) << "a repaint away from the dialog took the picture again";

    under->repaint();
    EXPECT_TRUE(nvtest::pumpUntil([&] { return keeper->picture().cacheKey() != settled; }, 2000))
        << "a repaint under the dialog left the old picture";
}

TEST(Backdrop, WithoutACompositingManagerTheDialogTakesItsOutlinesShape)
{
    platform::setCompositingProbe([] { return false; });
    {
        Dialog dialog;
        dialog.window->center();
        dialog.window->show();
        QCoreApplication::processEvents();
        const QRegion mask = dialog.window->mask();
        ASSERT_FALSE(mask.isEmpty()) << "no compositor: shaped by a mask";
        EXPECT_FALSE(mask.contains(QPoint(0, 0))) << "the rounded corner is cut away";
        EXPECT_TRUE(mask.contains(dialog.inWindow(QPoint(200, 100))));
        EXPECT_TRUE(mask.contains(dialog.inWindow(QPoint(1, 1))));

        // A compositor starts: the next geometry pass keeps per-pixel alpha.
        platform::setCompositingProbe([] { return true; });
        dialog.window->setCornerRadius(dialog.window->cornerRadius() + 1);
        EXPECT_TRUE(dialog.window->mask().isEmpty());
    }
    platform::setCompositingProbe({});
    EXPECT_TRUE(platform::compositingManagerRunning()) << "offscreen, transparency always reaches the picture";
}

TEST(Backdrop, TheShadowLiesOutsideTheBodyAndFallsDownward)
{
    const QSizeF body(300, 210);
    const toolkit::OutlinePath outline =
        toolkit::backgroundPath(QRectF(2, 2, 300, 200), 1, toolkit::AttachedStyle::dialogDefaults());
    const QImage shadow = toolkit::attachedShadowImage(body, outline);
    const int m = toolkit::AttachedShadow::kMargin;
    ASSERT_EQ(shadow.size(), QSize(300 + 2 * m, 210 + 2 * m));
    EXPECT_EQ(qAlpha(shadow.pixel(m + 150, m + 100)), 0) << "clear inside the body";
    EXPECT_EQ(qAlpha(shadow.pixel(0, 0)), 0) << "faded out before the band's edge";
    const int below = qAlpha(shadow.pixel(m + 150, m + 210 + 3));
    const int above = qAlpha(shadow.pixel(m + 150, m - 3));
    EXPECT_GT(below, 40);
    EXPECT_GT(below, above) << "light from above";
    EXPECT_GT(qAlpha(shadow.pixel(m - 3, m + 100)), 10) << "beside the body too";
    EXPECT_EQ(qRed(shadow.pixel(m + 150, m + 210 + 3)), 0) << "black";
}

TEST(Backdrop, WithACompositorTheDialogCastsItsShadowWithoutMovingItsBody)
{
    platform::setCompositingProbe([] { return false; });
    {
        Dialog masked;
        EXPECT_EQ(masked.window->shadowMargin(), 0) << "a masked window has no room for a shadow";
    }
    platform::setCompositingProbe([] { return true; });
    Dialog plain;
    plain.window->setHasShadow(false);
    Dialog shadowed;
    const int m = shadowed.window->shadowMargin();
    ASSERT_EQ(m, toolkit::AttachedShadow::kMargin);
    EXPECT_TRUE(shadowed.window->mask().isEmpty()) << "per-pixel alpha kept";
    EXPECT_EQ(shadowed.window->windowFrame(), plain.window->windowFrame());
    EXPECT_EQ(shadowed.window->geometry(), plain.window->geometry().adjusted(-m, -m, m, m));
    EXPECT_EQ(shadowed.view->mapToGlobal(QPoint(0, 0)), plain.view->mapToGlobal(QPoint(0, 0)))
        << "the view stays where it was on screen";

    // The body looks as it did; the shadow fills the band below it.
    const QImage withShadow = tktest::render(shadowed.window, Qt::transparent);
    const QImage without = tktest::render(plain.window, Qt::transparent);
    const QRect inside = plain.view->geometry();
    int differing = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if (!tktest::near(withShadow.pixelColor(x + m, y + m), without.pixelColor(x, y), 2))
                ++differing;
    EXPECT_EQ(differing, 0) << "the shadow reaches into the body";
    const QRect body(QPoint(m, m), without.size());
    EXPECT_GT(qAlpha(withShadow.pixel(body.center().x(), body.bottom() + 4)), 40);
    EXPECT_EQ(qAlpha(withShadow.pixel(0, withShadow.height() - 1)), 0);

    QImage seen(withShadow.size() + QSize(40, 40), QImage::Format_ARGB32_Premultiplied);
    seen.fill(QColor(72, 72, 84));
    QPainter(&seen).drawImage(20, 20, withShadow);
    tktest::savePng(seen, QStringLiteral("dialog_shadow"));

    // A press on the shadow is not a press on the window.
    QMouseEvent onShadow(QEvent::MouseButtonPress, QPointF(2, 2), shadowed.window->mapToGlobal(QPointF(2, 2)),
                         Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(shadowed.window, &onShadow);
    EXPECT_FALSE(onShadow.isAccepted());

    // The compositor goes away after the dialog was centred: the band goes,
    // the body stays where it was put.
    shadowed.window->center();
    const QPoint centred = shadowed.view->mapToGlobal(QPoint(0, 0));
    platform::setCompositingProbe([] { return false; });
    shadowed.window->setBorderColor(Qt::red);
    EXPECT_EQ(shadowed.window->shadowMargin(), 0);
    EXPECT_FALSE(shadowed.window->mask().isEmpty());
    EXPECT_EQ(shadowed.view->mapToGlobal(QPoint(0, 0)), centred);
    platform::setCompositingProbe({});
}
