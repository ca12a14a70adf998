// The progress indicators: the animated bar's value rules, fades and
// stripes; the plain percentage bar; the three-step indicator.
#include "WidgetTestSupport.h"

#include "TestSupport.h"
#include "platform/Log.h"
#include "toolkit/Animation.h"
#include "toolkit/ITProgressBar.h"
#include "toolkit/NamedImageView.h"
#include "toolkit/ProgressView.h"
#include "toolkit/StepLineView.h"
#include "toolkit/StepProgressViewVC.h"

#include <QLabel>
#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

// Restores the test default (animations finish at once) when it goes.
struct RealAnimations {
    RealAnimations() { toolkit::setAnimationScale(1.0); }
    ~RealAnimations() { toolkit::setAnimationScale(0.0); }
};

QColor pixel(const QImage& image, int x, int y) { return QColor::fromRgba(image.pixel(x, y)); }

// A bar on a pane that is shown.
class ShownProgressBar : public ::testing::Test {
protected:
    ShownProgressBar()
    {
        pane.resize(700, 100);
        pane.show();
    }
    QWidget pane;
    ITProgressBar bar{QRect(48, 40, 600, 16), &pane};
};

} // namespace

TEST(ITProgressBar, StartsFullWithMovingStripes)
{
    QWidget pane;
    pane.resize(730, 200);
    ITProgressBar bar(QRect(48, 102, 634, 16), &pane);
    EXPECT_DOUBLE_EQ(bar.floatValue(), 1.0);
    EXPECT_TRUE(bar.animates());
    EXPECT_TRUE(bar.hasStripeAnimation());
    EXPECT_DOUBLE_EQ(bar.stripesOpacity(), 0.04);
    EXPECT_DOUBLE_EQ(bar.animationDuration(), 1.0);
    EXPECT_DOUBLE_EQ(bar.colorTintOpacity(), 0.2);
    EXPECT_FALSE(bar.colorTint().isValid());
    EXPECT_EQ(bar.backgroundColors(), (QVector<QColor>{QColor(221, 221, 223), QColor(221, 221, 223)}));
    EXPECT_EQ(bar.fillColors(), (QVector<QColor>{QColor(31, 167, 242), QColor(10, 103, 230)}));
    EXPECT_EQ(bar.innerClipRect(), QRectF(0, 0, 634, 16));
}

TEST(ITProgressBar, ValuesOutsideZeroToOneAndNaNAreRefused)
{
    ITProgressBar bar(QRect(0, 0, 634, 16), nullptr);
    ASSERT_TRUE(bar.setFloatValue(0.25));
    EXPECT_EQ(bar.innerClipRect(), QRectF(0, 0, 634 * 0.25, 16));
    platform::LogCapture capture;
    for (double bad : {1.0001, -0.0001, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        EXPECT_FALSE(bar.setFloatValue(bad)) << bad;
        EXPECT_DOUBLE_EQ(bar.floatValue(), 0.25) << bad;
        EXPECT_FALSE(bar.animateFloatValue(bad)) << bad;
        EXPECT_DOUBLE_EQ(bar.floatValue(), 0.25) << bad;
    }
    EXPECT_TRUE(capture.contains(QStringLiteral("Invalid value")));
    EXPECT_TRUE(bar.setFloatValue(0.0));
    EXPECT_TRUE(bar.innerClipRect().isEmpty());
    EXPECT_TRUE(bar.setFloatValue(1.0));
    EXPECT_EQ(bar.innerClipRect(), QRectF(0, 0, 634, 16));
}

TEST(ITProgressBar, FillCoversTheFractionAndTheTrackShowsBeyond)
{
    ITProgressBar bar(QRect(0, 0, 400, 16), nullptr);
    bar.setAnimates(false); // still stripes for a stable picture
    bar.setFloatValue(0.5);
    const QImage image = tktest::render(&bar);
    EXPECT_TRUE(tktest::near(pixel(image, 100, 8), QColor(20, 135, 236), 30)) << "blue fill";
    EXPECT_TRUE(tktest::near(pixel(image, 300, 8), QColor(221, 221, 223), 2)) << "grey track";
    // The first fill colour is at the bottom edge, the second at the top.
    EXPECT_GT(pixel(image, 100, 15).green(), pixel(image, 100, 0).green());
    bar.setFloatValue(0.0);
    const QImage empty = tktest::render(&bar);
    EXPECT_TRUE(tktest::near(pixel(empty, 10, 8), QColor(221, 221, 223), 2));

    // At every value the fill ends where the fraction does; a red tint
    // reddens it. The sheet is for people to look at.
    QList<QImage> bars;
    for (double value : {0.0, 0.1, 0.35, 0.6, 0.8, 1.0}) {
        ITProgressBar wide(QRect(0, 0, 634, 16), nullptr);
        wide.setAnimates(false);
        wide.setFloatValue(value);
        bars << tktest::render(&wide);
        const int edge = qRound(634 * value);
        if (edge > 6) {
            EXPECT_TRUE(tktest::near(pixel(bars.last(), edge - 6, 8), QColor(20, 135, 236), 30)) << value;
        }
        if (edge < 628) {
            EXPECT_TRUE(tktest::near(pixel(bars.last(), edge + 6, 8), QColor(221, 221, 223), 2)) << value;
        }
    }
    ITProgressBar tinted(QRect(0, 0, 634, 16), nullptr);
    tinted.setAnimates(false);
    tinted.setFloatValue(0.6);
    tinted.setColorTint(Qt::red);
    bars << tktest::render(&tinted);
    EXPECT_GT(pixel(bars.last(), 100, 8).red(), pixel(bars.at(3), 100, 8).red() + 30) << "the tint shows";
    tktest::savePng(tktest::sheet(bars, 1), QStringLiteral("itprogressbar_values"));
}

TEST(ITProgressBar, AnimatedValueLandsOnTheTarget)
{
    ITProgressBar bar(QRect(0, 0, 400, 16), nullptr);
    bar.setFloatValue(0.1);
    EXPECT_TRUE(bar.animateFloatValue(0.6)); // duration 0 in tests
    EXPECT_DOUBLE_EQ(bar.floatValue(), 0.6);

    RealAnimations real;
    bar.show();
    QList<double> seen;
    EXPECT_TRUE(bar.animateFloatValue(0.9));
    EXPECT_TRUE(nvtest::pumpUntil([&] {
        seen << bar.floatValue();
        return bar.floatValue() == 0.9;
    }, 3000));
    for (double v : seen)
        EXPECT_TRUE(v >= 0.6 && v <= 0.9) << v;
}

TEST_F(ShownProgressBar, HidingFadesThenStopsTheStripes)
{
    ASSERT_TRUE(bar.isVisible());
    bar.setVisible(false); // duration 0: at once
    EXPECT_TRUE(bar.isHidden());
    EXPECT_TRUE(bar.it_isHidden());
    EXPECT_FALSE(bar.hasStripeAnimation());
    bar.setVisible(true);
    EXPECT_TRUE(bar.isVisible());
    EXPECT_TRUE(bar.hasStripeAnimation());
    EXPECT_DOUBLE_EQ(bar.fadeOpacity(), 1.0);
}

TEST_F(ShownProgressBar, ShowingAgainBeforeTheFadeEndsKeepsItVisibleAndMoving)
{
    RealAnimations real;
    bar.setVisible(false);
    EXPECT_TRUE(bar.isVisible()) << "still fading out";
    nvtest::pump(60);
    bar.setVisible(true);
    nvtest::pump(500); // past the end of the fade-out it interrupted
    EXPECT_TRUE(bar.isVisible());
    EXPECT_TRUE(bar.hasStripeAnimation());
    EXPECT_FALSE(bar.it_isHidden());
    EXPECT_NEAR(bar.fadeOpacity(), 1.0, 1e-9);

    // Left alone, a fade-out ends hidden.
    bar.setVisible(false);
    EXPECT_TRUE(nvtest::pumpUntil([&] { return bar.isHidden(); }, 3000));
    EXPECT_FALSE(bar.hasStripeAnimation());
}

TEST_F(ShownProgressBar, AnimatesWhileHiddenWaitsForShowing)
{
    bar.setAnimates(false);
    EXPECT_FALSE(bar.hasStripeAnimation());
    EXPECT_DOUBLE_EQ(bar.stripesOpacity(), 0.0);
    bar.setVisible(false);
    bar.setAnimates(true);
    EXPECT_FALSE(bar.hasStripeAnimation()) << "no stripes while hidden";
    EXPECT_DOUBLE_EQ(bar.stripesOpacity(), 0.04);
    bar.setVisible(true);
    EXPECT_TRUE(bar.hasStripeAnimation());
    bar.setAnimationDuration(2.0);
    EXPECT_TRUE(bar.hasStripeAnimation()) << "a new period restarts the stripes";
}

TEST(ITProgressBar, BorderAndShadowWidths)
{
    ITProgressBar bar(QRect(0, 0, 200, 16), nullptr);
    platform::LogCapture capture;
    bar.setShadowWidth(2);
    EXPECT_DOUBLE_EQ(bar.shadowWidth(), 0);
    EXPECT_TRUE(capture.contains(QStringLiteral("Warning: Line width must be at least as large as shadow width")));
    bar.setBorderWidth(3);
    bar.setShadowWidth(2);
    EXPECT_DOUBLE_EQ(bar.shadowWidth(), 2);
    bar.setBorderWidth(1);
    EXPECT_DOUBLE_EQ(bar.shadowWidth(), 1) << "a thinner border pulls the shadow down";
    EXPECT_EQ(bar.innerClipRect(), QRectF(1, 1, 198 * 1.0, 14));
}

TEST(ITProgressBar, StripeTileAndEmptyBorderImages)
{
    const QImage tile = ITProgressBar::stripesImageWithSize(QSize(30, 10));
    ASSERT_EQ(tile.size(), QSize(30, 10));
    EXPECT_EQ(qGray(tile.pixel(29, 1)), 0) << "the band from the top-right corner";
    EXPECT_EQ(qGray(tile.pixel(1, 1)), 0) << "the corner piece";
    EXPECT_EQ(qGray(tile.pixel(3, 9)), 0);
    EXPECT_EQ(qGray(tile.pixel(15, 3)), 255) << "white between the bands";
    EXPECT_EQ(qGray(tile.pixel(28, 9)), 255);
    EXPECT_TRUE(ITProgressBar::borderImageForSize(QSize(0, 10), false).isNull());
    EXPECT_TRUE(ITProgressBar::borderImageForSize(QSize(10, -1), true).isNull());
    const QImage border = ITProgressBar::borderImageForSize(QSize(10, 10), true);
    ASSERT_FALSE(border.isNull());
    EXPECT_EQ(qAlpha(border.pixel(5, 5)), 0);
}

TEST(ProgressView, PercentageSetsTheBarWidth)
{
    ProgressView view(QRect(32, 118, 496, 4), nullptr);
    EXPECT_EQ(view.barFrame(), QRectF(0, 0, 0, 16));
    const struct { float percent; double width; } cases[] = {
        {50, 248}, {99.9f, 496}, {150, 496}, {0, 0}, {-20, 0}, {std::numeric_limits<float>::quiet_NaN(), 0}, {99.7f, 494.512},
        {99.0f, 491.04}};
    for (const auto& c : cases) {
        view.changeProgressValue(c.percent);
        EXPECT_NEAR(view.barFrame().width(), c.width, 0.01) << c.percent;
        EXPECT_GE(view.pProgress1()->width(), 0);
    }
    // The bar is 16 high on the view's bottom edge: a 4-point view shows its bottom part.
    view.changeProgressValue(50);
    EXPECT_EQ(view.pProgress1()->geometry(), QRect(0, -12, 248, 16));
    // Width changes carry the bar along.
    view.show();
    view.resize(248, 4);
    EXPECT_NEAR(view.barFrame().width(), 124, 0.01);
}

TEST(ProgressView, TheBarIsDrawnBlueToItsPercentOverTheDarkTrack)
{
    // The tall view shows the whole 16-point bar, the thin one (the
    // uninstaller's) its bottom 4 points; both blue up to the percent.
    QList<QImage> images;
    for (float percent : {0.0f, 30.0f, 75.0f, 100.0f}) {
        for (int height : {16, 4}) {
            ProgressView view(QRect(0, 0, 496, height), nullptr);
            view.changeProgressValue(percent);
            images << tktest::render(&view);
            const QImage& drawn = images.last();
            const int edge = qRound(496 * percent / 100);
            const int y = height / 2;
            if (edge > 8) {
                EXPECT_GT(pixel(drawn, edge - 8, y).blue(), pixel(drawn, edge - 8, y).red() + 100) << percent << " " << height;
            }
            if (edge < 488) {
                EXPECT_TRUE(tktest::near(pixel(drawn, edge + 8, y), QColor(32, 32, 39), 2)) << percent << " " << height;
            }
        }
    }
    tktest::savePng(tktest::sheet(images, 1), QStringLiteral("progressview_values"));
}

TEST(StepProgressViewVC, StepsOneToThreeAndNothingElse)
{
    StepProgressViewVC vc;
    vc.setLabelString_lebel_1(QStringLiteral("获取剩余空间"), QStringLiteral("擦除剩余空间"), QStringLiteral("完成"));
    EXPECT_EQ(vc.label_2()->text(), QStringLiteral("擦除剩余空间"));
    EXPECT_TRUE(vc.image_1()->imageName().isEmpty()) << "no step before the first call";
    QList<QImage> pictures;
    for (int step = 1; step <= 3; ++step) {
        vc.runProgressStep(step);
        const auto state = toolkit::stepProgressState(step);
        EXPECT_EQ(vc.image_1()->imageName(), state->images[0]);
        EXPECT_EQ(vc.image_2()->imageName(), state->images[1]);
        EXPECT_EQ(vc.image_3()->imageName(), state->images[2]);
        EXPECT_EQ(vc.line_1()->isRuned(), step >= 2);
        EXPECT_EQ(vc.line_2()->isRuned(), step >= 3);
        pictures << tktest::render(vc.view());
    }
    vc.runProgressStep(4);
    vc.runProgressStep(0);
    EXPECT_EQ(vc.image_3()->imageName(), QStringLiteral("step_loading"));
    EXPECT_TRUE(vc.line_2()->isRuned());
    tktest::savePng(tktest::sheet(pictures, 1), QStringLiteral("step_progress_1_2_3"));

    // A connector draws its state.
    StepLineView line;
    line.resize(100, 2);
    EXPECT_TRUE(tktest::near(pixel(tktest::render(&line), 50, 1), QColor(32, 32, 39), 1));
    line.setIsRuned(true);
    EXPECT_TRUE(tktest::near(pixel(tktest::render(&line), 50, 1), QColor(18, 115, 239), 1));
}
