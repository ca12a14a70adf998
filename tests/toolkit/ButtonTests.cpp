// The image buttons as widgets: skins per state, the usable flag against
// clicks and keys, hover tracking, the title font and alpha, and pictures.
#include "WidgetTestSupport.h"

#include "TestSupport.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/TCImageButton.h"
#include "toolkit/TextImageButton.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using toolkit::ButtonImage;

namespace {

struct Skin {
    const char* normal;
    const char* pressed;
    const char* hover;
    const char* disabled;
};

void applySkin(ImageButtonBase& b, const Skin& s)
{
    b.setImageFromFileNormalName(QString::fromLatin1(s.normal), QString::fromLatin1(s.pressed),
                                 QString::fromLatin1(s.hover), QString::fromLatin1(s.disabled));
}

// The enter the window server sends, with no motion of the pointer.
void serverEnter(QWidget* w)
{
    QEnterEvent e(QPointF(5, 5), QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(w, &e);
}

// The pointer coming in: the enter, then the move that brought it.
void enter(QWidget* w)
{
    serverEnter(w);
    QMouseEvent move(QEvent::MouseMove, QPointF(6, 6), w->mapToGlobal(QPointF(6, 6)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

void leave(QWidget* w)
{
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}

float labelAlpha(const TextImageButton& b) { return b.textField()->palette().color(QPalette::WindowText).alphaF(); }

std::unique_ptr<TextImageButton> primaryButton(const QString& title = QStringLiteral("继续"))
{
    auto b = std::make_unique<TextImageButton>(QRect(0, 0, 120, 32), nullptr);
    b->setButtonEnabled(true);
    b->setImageFromFileNormalName("btn_pril_normal", "btn_pril_press", "btn_pril_hover", "btn_pril_disable");
    b->setTextWithName(title, 14);
    return b;
}

} // namespace

TEST(TextImageButton, UnusableButtonSendsNoClickEvenWhenQtEnablesIt)
{
    auto b = primaryButton();
    b->show();
    QSignalSpy clicks(b.get(), &QAbstractButton::clicked);
    b->setButtonEnabled(false);
    ASSERT_TRUE(b->isEnabled());
    QTest::mouseClick(b.get(), Qt::LeftButton, {}, QPoint(60, 16));
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_FALSE(b->isTracking());
    b->setButtonEnabled(true);
    QTest::mouseClick(b.get(), Qt::LeftButton, {}, QPoint(60, 16));
    EXPECT_EQ(clicks.count(), 1);
}

TEST(TextImageButton, KeyboardCannotActivateAnUnusableButton)
{
    auto b = primaryButton();
    b->show();
    QSignalSpy clicks(b.get(), &QAbstractButton::clicked);
    b->setButtonEnabled(false);
    QTest::keyClick(b.get(), Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 0);
    b->setButtonEnabled(true);
    QTest::keyClick(b.get(), Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 1);
}

TEST(TextImageButton, TurningUnusableDuringAPressCancelsTheClick)
{
    auto b = primaryButton();
    b->show();
    QSignalSpy clicks(b.get(), &QAbstractButton::clicked);
    QTest::mousePress(b.get(), Qt::LeftButton, {}, QPoint(60, 16));
    EXPECT_TRUE(b->isTracking());
    EXPECT_EQ(b->currentLook().image, ButtonImage::Active);
    EXPECT_NEAR(labelAlpha(*b), 0.4f, 0.01);
    b->setButtonEnabled(false);
    QTest::mouseRelease(b.get(), Qt::LeftButton, {}, QPoint(60, 16));
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_FALSE(b->isTracking());
}

TEST(TextImageButton, HoverFollowsThePointerAndLeavingAlwaysClearsIt)
{
    auto b = primaryButton();
    enter(b.get());
    EXPECT_TRUE(b->isFocus());
    EXPECT_EQ(b->currentLook().image, ButtonImage::Hover);
    b->setEnabled(false);
    leave(b.get());
    EXPECT_FALSE(b->isFocus()) << "leaving a disabled button still clears the hover flag";
    b->setEnabled(true);
    EXPECT_EQ(b->currentLook().image, ButtonImage::Normal);
    // A disabled button does not take the hover flag.
    b->setEnabled(false);
    enter(b.get());
    EXPECT_FALSE(b->isFocus());
}

TEST(TextImageButton, AButtonShownUnderThePointerStartsInItsNormalLook)
{
    // The pointer rests where the button will be before its window shows.
    QWidget window;
    window.setGeometry(200, 200, 300, 120);
    auto* b = new TextImageButton(QRect(60, 40, 180, 46), &window);
    b->setButtonEnabled(true);
    b->setImageFromFileNormalName("btn_main", "btn_main_press", "btn_main_press", "btn_main_disable");
    b->setTextWithName(QStringLiteral("添加"), 16);
    QCursor::setPos(QPoint(200 + 150, 200 + 60));
    window.show();
    QCoreApplication::processEvents();
    EXPECT_FALSE(b->isFocus());
    const QImage shown = tktest::render(b);

    // The look drawn is the normal skin's, pixel for pixel.
    TextImageButton reference(QRect(0, 0, 180, 46), nullptr);
    reference.setButtonEnabled(true);
    reference.setImageFromFileNormalName("btn_main", "btn_main_press", "btn_main_press", "btn_main_disable");
    reference.setTextWithName(QStringLiteral("添加"), 16);
    EXPECT_EQ(shown, tktest::render(&reference));
    enter(&reference);
    const QImage hovered = tktest::render(&reference);
    EXPECT_NE(shown, hovered) << "the hover skin differs from the normal one";
    tktest::savePng(tktest::sheet({shown, hovered}, 2), QStringLiteral("button_shown_under_pointer_then_hovered"));

    // The enter for a window shown under a resting pointer: still normal,
    // until the pointer moves over the button.
    serverEnter(b);
    EXPECT_FALSE(b->isFocus());
    QMouseEvent move(QEvent::MouseMove, QPointF(20, 20), b->mapToGlobal(QPointF(20, 20)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(b, &move);
    EXPECT_TRUE(b->isFocus());
    leave(b);

    // However long after the show, an enter alone is not the pointer coming in.
    QTest::qWait(450);
    serverEnter(b);
    EXPECT_FALSE(b->isFocus());
    // The pointer comes in; then the window is placed elsewhere: the pointer
    // that stood still is no longer over it.
    enter(b);
    EXPECT_TRUE(b->isFocus());
    window.move(700, 500);
    QCoreApplication::processEvents();
    EXPECT_FALSE(b->isFocus());
    EXPECT_EQ(tktest::render(b), shown);

    // Hidden while hovered and shown again: normal until the pointer moves.
    window.move(200, 200);
    enter(b);
    EXPECT_TRUE(b->isFocus());
    window.hide();
    window.show();
    QCoreApplication::processEvents();
    EXPECT_FALSE(b->isFocus());
    // An enter that reports a point outside the button gives no hover look.
    QEnterEvent outside(QPointF(-20, 5), QPointF(-20, 5), b->mapToGlobal(QPointF(-20, 5)));
    QApplication::sendEvent(b, &outside);
    EXPECT_FALSE(b->isFocus());
}

TEST(TextImageButton, WithoutImagesItFollowsNoPointerAndDrawsStandard)
{
    TextImageButton b(QRect(0, 0, 120, 32), nullptr);
    b.setTextWithName(QStringLiteral("好"), 14);
    enter(&b);
    EXPECT_FALSE(b.isFocus());
    EXPECT_FALSE(b.tracksPointer());
    EXPECT_EQ(b.currentLook().image, ButtonImage::Standard);
    b.show();
    QSignalSpy clicks(&b, &QAbstractButton::clicked);
    b.setButtonEnabled(false);
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(60, 16));
    EXPECT_EQ(clicks.count(), 0) << "the usable flag holds without images too";
}

TEST(TextImageButton, TitleAlphaFollowsTheState)
{
    auto primary = primaryButton();
    EXPECT_NEAR(labelAlpha(*primary), 1.0f, 0.01);
    primary->setButtonEnabled(false);
    EXPECT_NEAR(labelAlpha(*primary), 0.3f, 0.01);

    TextImageButton secondary(QRect(0, 0, 120, 32), nullptr);
    secondary.setImageFromFileNormalName("btn_secl_normal", "btn_secl_press", "btn_secl_hover", "btn_secl_disable");
    secondary.setTextWithName(QStringLiteral("取消"), 14);
    EXPECT_NEAR(labelAlpha(secondary), 0.7f, 0.01);
    enter(&secondary);
    EXPECT_NEAR(labelAlpha(secondary), 1.0f, 0.01);
}

TEST(TextImageButton, TitleIsDrawnInWhite)
{
    auto primary = primaryButton(QStringLiteral("继续"));
    const QImage image = tktest::render(primary->textField(), Qt::black);
    int brightest = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            brightest = std::max(brightest, qGray(image.pixel(x, y)));
    EXPECT_GT(brightest, 200) << "the title is not drawn in white";
}

TEST(TextImageButton, FontRuleAndLabelFrame)
{
    auto primary = primaryButton();
    EXPECT_EQ(primary->textField()->font().weight(), QFont::Normal) << "primary skin: regular at 14";
    EXPECT_EQ(primary->textField()->font().pixelSize(), 14);
    EXPECT_EQ(primary->textField()->geometry(), QRect(0, 6, 120, 17));

    TextImageButton secondary(QRect(0, 0, 120, 32), nullptr);
    secondary.setImageFromFileNormalName("btn_secl_normal", "btn_secl_press", "btn_secl_hover", "btn_secl_disable");
    secondary.setTextWithName(QStringLiteral("取消"), 14);
    EXPECT_EQ(secondary.textField()->font().weight(), QFont::Light);

    TextImageButton big(QRect(0, 0, 200, 48), nullptr);
    big.setImageFromFileNormalName("btn_secl_normal", "btn_secl_press", "btn_secl_hover", "btn_secl_disable");
    big.setTextWithName(QStringLiteral("立即擦除"), 16);
    EXPECT_EQ(big.textField()->font().weight(), QFont::Normal) << "any skin at 16 is regular";
    EXPECT_EQ(big.textField()->geometry(), QRect(0, 14, 200, 18));

    // A second title keeps the first font and frame.
    big.setTextWithName(QStringLiteral("好"), 12);
    EXPECT_EQ(big.textField()->text(), QStringLiteral("好"));
    EXPECT_EQ(big.textField()->font().pixelSize(), 16);
    EXPECT_EQ(big.textField()->geometry(), QRect(0, 14, 200, 18));
}

TEST(TextImageButton, UnusableWithoutDisabledImageDrawsNoImage)
{
    TextImageButton b(QRect(0, 0, 120, 32), nullptr);
    const QString none; // no disabled image for this skin
    b.setImageFromFileNormalName("btn_pril_normal", "btn_pril_press", "btn_pril_hover", none);
    b.setTextWithName(QStringLiteral("继续"), 14);
    b.setButtonEnabled(false);
    EXPECT_EQ(b.currentLook().image, ButtonImage::None);
    const QImage image = tktest::render(&b, Qt::transparent);
    EXPECT_EQ(qAlpha(image.pixel(3, 3)), 0) << "no skin is drawn";
    EXPECT_NEAR(labelAlpha(b), 0.3f, 0.01);
}

TEST(TextImageButton, SkinFamiliesInEveryState)
{
    const Skin families[] = {
        {"btn_pril_normal", "btn_pril_press", "btn_pril_hover", "btn_pril_disable"},
        {"btn_secl_normal", "btn_secl_press", "btn_secl_hover", "btn_secl_disable"},
        {"btn_secl_normal", "btn_secl_hover", "btn_secl_hover", "btn_secl_disable"},
        {"btn_main", "btn_main_press", "btn_main_press", "btn_main_disable"},
        {"btn_pri", "btn_pri_press", "btn_pri_press", "btn_pri_disable"},
        {"btn_s_normal", "btn_s_normal", "btn_s_hover", "btn_s_disable"},
        {"btn_b_normal", "btn_b_hover", "btn_b_hover", "btn_b_normal"},
    };
    const QSize sizes[] = {{120, 32}, {120, 32}, {120, 32}, {200, 48}, {80, 28}, {80, 24}, {96, 22}};
    const double fonts[] = {14, 14, 14, 16, 12, 12, 12};
    const QString titles[] = {QStringLiteral("继续"), QStringLiteral("取消"), QStringLiteral("取消"),
                              QStringLiteral("立即擦除"), QStringLiteral("好"), QStringLiteral("清空列表"),
                              QStringLiteral("添加更多")};
    QList<QImage> cells;
    for (int f = 0; f < 7; ++f) {
        for (int state = 0; state < 4; ++state) {
            TextImageButton b(QRect(QPoint(0, 0), sizes[f]), nullptr);
            b.setButtonEnabled(true);
            applySkin(b, families[f]);
            b.setTextWithName(titles[f], fonts[f]);
            b.show();
            if (state == 1)
                enter(&b);
            if (state == 2)
                QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(10, 10));
            if (state == 3)
                b.setButtonEnabled(false);
            const ButtonImage expected[] = {ButtonImage::Normal, ButtonImage::Hover, ButtonImage::Active, ButtonImage::Disable};
            EXPECT_EQ(b.currentLook().image, expected[state]) << families[f].normal << " state " << state;
            QImage cell(220, 72, QImage::Format_ARGB32_Premultiplied);
            cell.fill(tktest::bodyColor());
            QPainter p(&cell);
            b.render(&p, QPoint(10, 6), QRegion(), QWidget::DrawChildren);
            p.setPen(QColor(200, 200, 210));
            QFont small;
            small.setPixelSize(10);
            p.setFont(small);
            static const char* names[] = {"normal", "hover", "pressed", "disabled"};
            p.drawText(QRect(10, 58, 200, 12), Qt::AlignLeft, QStringLiteral("%1 %2").arg(families[f].normal, names[state]));
            p.end();
            cells << cell;
            if (state == 2)
                QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(10, 10));
        }
    }
    tktest::savePng(tktest::sheet(cells, 4), QStringLiteral("buttons_skins_states"));
}

TEST(TCImageButton, IconAtItsOwnSizeAndTheDelegateHearsClicks)
{
    struct Listener : TCImageButtonDelegate {
        int presses = 0;
        QPointF at;
        void moushDownInButton(const QMouseEvent& event) override
        {
            ++presses;
            at = event.position();
        }
    } listener;
    TCImageButton back(QRect(0, 0, 40, 40), nullptr);
    back.setButtonEnabled(true);
    back.setImageFromFileNormalName("back", "back_press", "back_hover", "back_disable");
    back.setDelegate(&listener);
    EXPECT_EQ(back.dstRect(), QRectF(0, 0, 32, 32)) << "the image's own size, not the button's";
    back.show();
    QSignalSpy clicks(&back, &QAbstractButton::clicked);
    QTest::mouseClick(&back, Qt::LeftButton, {}, QPoint(16, 16));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(listener.presses, 1);
    EXPECT_EQ(listener.at, QPointF(16, 16));

    back.setButtonEnabled(false);
    QTest::mouseClick(&back, Qt::LeftButton, {}, QPoint(16, 16));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(listener.presses, 1) << "no tracking, so no report, while unusable";
    EXPECT_EQ(back.currentImage(), ButtonImage::Disable);

    // The icon families in their states.
    const Skin icons[] = {{"back", "back_press", "back_hover", "back_disable"},
                          {"sortby", "sortby_press", "sortby_hover", "sortby"},
                          {"ic_close", "ic_close_press", "ic_close_hover", "ic_close"}};
    QList<QImage> cells;
    for (const Skin& s : icons) {
        for (int state = 0; state < 4; ++state) {
            TCImageButton b(QRect(0, 0, 40, 40), nullptr);
            applySkin(b, s);
            b.show();
            if (state == 1)
                enter(&b);
            if (state == 2)
                QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
            if (state == 3)
                b.setButtonEnabled(false);
            cells << tktest::render(&b);
            if (state == 2)
                QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(5, 5));
        }
    }
    tktest::savePng(tktest::sheet(cells, 4), QStringLiteral("icon_buttons_states"));
}
