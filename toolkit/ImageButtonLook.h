#pragma once
// Which image an image button draws and how opaque its title is, from the
// button's flags. Plain logic, shared by the two image-button classes.

#include <QString>

namespace toolkit {

enum class ButtonImage {
    Standard, // no normal image: the plain button look
    None,     // the state's image is missing: nothing is drawn
    Normal,
    Active,   // pressed
    Hover,
    Disable,
};

struct ButtonFlags {
    bool hasNormal = false;
    bool hasActive = false;
    bool hasHover = false;
    bool hasDisable = false;
    bool enabled = true;  // Qt's enabled state
    bool usable = true;   // the button's own flag (`isDisabled`, YES = usable)
    bool tracking = false;
    bool focus = false;   // pointer inside
};

struct ButtonLook {
    ButtonImage image = ButtonImage::Standard;
    float titleAlpha = 0.7f;
};

// Title alpha that the skin gives before the state rules: 1.0 for the
// primary and main skins, 0.7 otherwise.
float baseTitleAlpha(const QString& normalImageName);

// The titled button: the image and the title alpha.
ButtonLook textImageButtonLook(const ButtonFlags& flags, const QString& normalImageName);

// The icon button: the image only.
ButtonImage tcImageButtonImage(const ButtonFlags& flags);

// Whether a title of `fontSize` on this skin uses the regular font (else light).
bool titleUsesRegularFont(double fontSize, const QString& normalImageName);

// Height of the title label for a font size.
int titleLabelHeight(double fontSize);

} // namespace toolkit
