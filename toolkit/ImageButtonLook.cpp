#include "ImageButtonLook.h"

namespace toolkit {

float baseTitleAlpha(const QString& normalImageName)
{
    if (normalImageName == QLatin1String("btn_secl_normal"))
        return 0.7f;
    if (normalImageName == QLatin1String("btn_pril_normal") || normalImageName == QLatin1String("btn_main"))
        return 1.0f;
    return 0.7f;
}

ButtonLook textImageButtonLook(const ButtonFlags& f, const QString& normalImageName)
{
    ButtonLook look;
    look.titleAlpha = baseTitleAlpha(normalImageName);
    if (!f.hasNormal) {
        look.image = ButtonImage::Standard;
        return look;
    }
    if (f.enabled && f.usable) {
        if (f.tracking) {
            if (f.hasActive) {
                look.image = ButtonImage::Active;
                look.titleAlpha = 0.4f;
            } else {
                look.image = ButtonImage::None;
            }
        } else if (f.focus) {
            if (f.hasHover) {
                look.image = ButtonImage::Hover;
                look.titleAlpha = 1.0f;
            } else {
                look.image = ButtonImage::None;
            }
        } else {
            look.image = ButtonImage::Normal;
        }
        return look;
    }
    look.image = f.hasDisable ? ButtonImage::Disable : ButtonImage::None;
    look.titleAlpha = 0.3f;
    return look;
}

ButtonImage tcImageButtonImage(const ButtonFlags& f)
{
    if (!f.hasNormal)
        return ButtonImage::Standard;
    if (!f.enabled || !f.usable)
        return f.hasDisable ? ButtonImage::Disable : ButtonImage::None;
    if (f.tracking)
        return f.hasActive ? ButtonImage::Active : ButtonImage::None;
    if (f.focus)
        return f.hasHover ? ButtonImage::Hover : ButtonImage::None;
    return ButtonImage::Normal;
}

bool titleUsesRegularFont(double fontSize, const QString& normalImageName)
{
    return fontSize == 16.0 || normalImageName == QLatin1String("btn_pril_normal");
}

int titleLabelHeight(double fontSize) { return fontSize >= 16.0 ? 18 : 17; }

} // namespace toolkit
