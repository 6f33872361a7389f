#pragma once
// The main window's skin pictures (file names without ".png" in the skin folder).
namespace MainPic {
inline constexpr const char* kConnect = "main_connect";
inline constexpr const char* kDisconnect = "main_disconnect";
inline constexpr const char* kSms = "main_sms";
inline constexpr const char* kSmsNew = "main_sms_new";
inline constexpr const char* kSettings = "main_settings";
inline constexpr const char* kAbout = "main_about";
inline constexpr const char* kHover = "_hover";
inline constexpr const char* kTrafficDown = "traffic_down";
inline constexpr const char* kTrafficDownSpeed = "traffic_down_speed";
inline constexpr const char* kTrafficUp = "traffic_up";
inline constexpr const char* kTrafficUpSpeed = "traffic_up_speed";
inline constexpr const char* kTrafficTime = "traffic_time";
// 32 frames of 10 x 93 side by side.
inline constexpr const char* kAntenna = "main_antenna";
inline constexpr int kAntennaFrameWidth = 10;
inline constexpr int kAntennaFrameHeight = 93;
}  // namespace MainPic
