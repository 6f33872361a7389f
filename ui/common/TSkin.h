#pragma once
// The skin pictures (PNG files of the skin folder beside the program), loaded
// once per name. A missing or broken picture gives a plain fill of the size and
// colour the caller names, and one log line; the window looks plainer but works.
#include <QColor>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace Skin {
// Picture names (file name without ".png").
inline constexpr const char* kTitleStrip = "title_strip";
inline constexpr const char* kTitlePlain = "title_plain";
inline constexpr const char* kExitNormal = "exit_normal";
inline constexpr const char* kExitDown = "exit_down";
inline constexpr const char* kExitDisabled = "exit_disabled";
inline constexpr const char* kMinNormal = "min_normal";
inline constexpr const char* kMinDown = "min_down";
inline constexpr const char* kMinDisabled = "min_disabled";
inline constexpr const char* kButtonLeft = "btn_left";
inline constexpr const char* kButtonCenter = "btn_center";
inline constexpr const char* kButtonRight = "btn_right";
inline constexpr const char* kHoverSuffix = "_hover";
inline constexpr const char* kDownSuffix = "_down";
inline constexpr const char* kFormBack = "form_back";
inline constexpr const char* kPageBack = "page_back";
inline constexpr const char* kMainBack = "main_back";
inline constexpr const char* kSettingsLeft = "settings_left";
inline constexpr const char* kAboutBack = "about_back";
inline constexpr const char* kPinBack = "pin_back";
inline constexpr const char* kZoomBack = "zoom_back";
inline constexpr const char* kHelperBack = "helper_back";
inline constexpr const char* kTroubleBack = "trouble_back";
inline constexpr const char* kWaitStripe = "wait_stripe";
inline constexpr const char* kStateOn = "state_on";
inline constexpr const char* kStateOff = "state_off";

// The colours of the look, as 0xBBGGRR values.
inline constexpr unsigned kWindowColour = 0x171A1F;  // main window, title strip
inline constexpr unsigned kCaptionColour = 0xFFFFFF;
inline constexpr unsigned kLockedCaptionColour = 0x808080;
}  // namespace Skin

class TSkin {
public:
    // The picture of a name; when it cannot be loaded, a plain fill of
    // fallbackSize (16 x 16 when empty) in fallbackColour.
    static QPixmap Picture(const QString& name, QSize fallbackSize = QSize(),
                           const QColor& fallbackColour = QColor(0x1F, 0x1A, 0x17));
    // True when the named picture loaded from the skin folder.
    static bool Has(const QString& name);
    // Forgets every loaded picture (after the skin folder changed).
    static void ClearCache();
};
