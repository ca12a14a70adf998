// Plain rules of the buttons and cells, without widgets.
#include "toolkit/ImageAndTextCell.h"
#include "toolkit/ImageButtonLook.h"
#include "toolkit/StepProgressViewVC.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace toolkit;

TEST(ImageButtonLook, TitledButtonStateTable)
{
    ButtonFlags all;
    all.hasNormal = all.hasActive = all.hasHover = all.hasDisable = true;

    struct Case { const char* what; bool enabled, usable, tracking, focus; ButtonImage image; float alpha; };
    const Case cases[] = {
        {"normal", true, true, false, false, ButtonImage::Normal, 0.7f},
        {"hover", true, true, false, true, ButtonImage::Hover, 1.0f},
        {"pressed wins over hover", true, true, true, true, ButtonImage::Active, 0.4f},
        {"unusable", true, false, false, true, ButtonImage::Disable, 0.3f},
        {"disabled by Qt", false, true, true, false, ButtonImage::Disable, 0.3f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ButtonFlags f = all;
        f.enabled = c.enabled;
        f.usable = c.usable;
        f.tracking = c.tracking;
        f.focus = c.focus;
        const ButtonLook look = textImageButtonLook(f, QStringLiteral("btn_secl_normal"));
        EXPECT_EQ(look.image, c.image);
        EXPECT_FLOAT_EQ(look.titleAlpha, c.alpha);
    }
}

TEST(ImageButtonLook, SkinDecidesTheRestingTitleAlpha)
{
    ButtonFlags f;
    f.hasNormal = true;
    EXPECT_FLOAT_EQ(textImageButtonLook(f, "btn_pril_normal").titleAlpha, 1.0f);
    EXPECT_FLOAT_EQ(textImageButtonLook(f, "btn_main").titleAlpha, 1.0f);
    EXPECT_FLOAT_EQ(textImageButtonLook(f, "btn_secl_normal").titleAlpha, 0.7f);
    EXPECT_FLOAT_EQ(textImageButtonLook(f, "btn_s_normal").titleAlpha, 0.7f);
}

TEST(ImageButtonLook, MissingImagesDrawNothingAndKeepTheTitle)
{
    ButtonFlags f;
    f.hasNormal = true; // only the normal image
    f.tracking = true;
    ButtonLook look = textImageButtonLook(f, "btn_pril_normal");
    EXPECT_EQ(look.image, ButtonImage::None);
    EXPECT_FLOAT_EQ(look.titleAlpha, 1.0f);
    f.tracking = false;
    f.focus = true;
    EXPECT_EQ(textImageButtonLook(f, "btn_pril_normal").image, ButtonImage::None);
    f.usable = false;
    look = textImageButtonLook(f, "btn_pril_normal");
    EXPECT_EQ(look.image, ButtonImage::None);
    EXPECT_FLOAT_EQ(look.titleAlpha, 0.3f);
    f.hasNormal = false;
    EXPECT_EQ(textImageButtonLook(f, "").image, ButtonImage::Standard);
}

TEST(ImageButtonLook, IconButtonPutsDisabledFirst)
{
    ButtonFlags f;
    f.hasNormal = f.hasActive = f.hasHover = f.hasDisable = true;
    EXPECT_EQ(tcImageButtonImage(f), ButtonImage::Normal);
    f.focus = true;
    EXPECT_EQ(tcImageButtonImage(f), ButtonImage::Hover);
    f.tracking = true;
    EXPECT_EQ(tcImageButtonImage(f), ButtonImage::Active);
    f.usable = false;
    EXPECT_EQ(tcImageButtonImage(f), ButtonImage::Disable);
    f.hasDisable = false;
    EXPECT_EQ(tcImageButtonImage(f), ButtonImage::None);
    f.hasNormal = false;
    EXPECT_EQ(tcImageButtonImage(f), ButtonImage::Standard);
}

TEST(ImageButtonLook, FontAndLabelRules)
{
    EXPECT_TRUE(titleUsesRegularFont(14, "btn_pril_normal"));
    EXPECT_FALSE(titleUsesRegularFont(14, "btn_secl_normal"));
    EXPECT_TRUE(titleUsesRegularFont(16, "btn_secl_normal"));
    EXPECT_FALSE(titleUsesRegularFont(12, "btn_main"));
    EXPECT_EQ(titleLabelHeight(16), 18);
    EXPECT_EQ(titleLabelHeight(15.9), 17);
    EXPECT_EQ(titleLabelHeight(12), 17);
}

TEST(SplitTitle, BoldPartStopsBeforeTheBlankAndTheSlash)
{
    EXPECT_EQ(splitBoldLength(QStringLiteral("12.50 GB / 500.00 GB")), 8); // "12.50 GB"
    EXPECT_EQ(splitBoldLength(QStringLiteral("1 KB/2 KB")), 3);            // one character before "/" dropped
}

TEST(SplitTitle, TitlesWithoutAUsableSlashHaveNoBoldPart)
{
    EXPECT_EQ(splitBoldLength(QStringLiteral("no slash here")), 0);
    EXPECT_EQ(splitBoldLength(QStringLiteral("/starts with a slash")), 0);
    EXPECT_EQ(splitBoldLength(QStringLiteral("a/b")), 0);
    EXPECT_EQ(splitBoldLength(QString()), 0);
    EXPECT_EQ(splitBoldLength(QStringLiteral("/")), 0);
    EXPECT_EQ(splitBoldLength(QStringLiteral(" /")), 0);
    EXPECT_EQ(splitBoldLength(QStringLiteral("ab/")), 1);
}

TEST(StepStates, EachStepShowsDoneCurrentAndComing)
{
    const auto s1 = stepProgressState(1);
    ASSERT_TRUE(s1);
    EXPECT_EQ(s1->images, (std::array<QString, 3>{"step_loading", "step", "step"}));
    EXPECT_EQ(s1->linesDone, (std::array<bool, 2>{false, false}));
    const auto s2 = stepProgressState(2);
    ASSERT_TRUE(s2);
    EXPECT_EQ(s2->images, (std::array<QString, 3>{"step_ok", "step_loading", "step"}));
    EXPECT_EQ(s2->linesDone, (std::array<bool, 2>{true, false}));
    const auto s3 = stepProgressState(3);
    ASSERT_TRUE(s3);
    EXPECT_EQ(s3->images, (std::array<QString, 3>{"step_ok", "step_ok", "step_loading"}));
    EXPECT_EQ(s3->linesDone, (std::array<bool, 2>{true, true}));
    EXPECT_FALSE(stepProgressState(0));
    EXPECT_FALSE(stepProgressState(4));
    EXPECT_FALSE(stepProgressState(-1));
}
