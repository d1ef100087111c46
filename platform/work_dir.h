#pragma once
// The work directory through which the tool talks to the controller and the training tool, and the
// names of every file of that protocol. All protocol paths are built here and nowhere else.

#include <string>
#include <string_view>

namespace platform {

// File names inside the work directory.
inline constexpr std::string_view kRequestFile = "req_file.dat";
inline constexpr std::string_view kNotifyFile = "notify.txt";
inline constexpr std::string_view kReportFile = "report.txt";
inline constexpr std::string_view kColorFile = "rk9t_color.dat";
inline constexpr std::string_view kLeftPicture = "rk9t_left.bmp";
inline constexpr std::string_view kRightPicture = "rk9t_right.bmp";
inline constexpr std::string_view kLeftBinPicture = "rk9t_left_bin.bmp";
inline constexpr std::string_view kRightBinPicture = "rk9t_right_bin.bmp";
inline constexpr std::string_view kEdgePicture = "rk9t_work.bmp";
inline constexpr std::string_view kGraySeriesPrefix = "gray_image_";
inline constexpr std::string_view kStillDir = "static_movie/red_corn2/";
inline constexpr std::string_view kStillPrefix = "capt3_";
// Held by the running stereo service: one service per work directory.
inline constexpr std::string_view kServiceLockFile = "service.lock";
// The camera settings the service applies when it starts (`index,name,value` lines).
inline constexpr std::string_view kCameraSettingsFile = "rk9t_camera.dat";

// Default: $HOME/Rivivovi/work/, overridden by RIVIVOVI_WORK_DIR, overridden by set_work_dir.
std::string default_work_dir();
// Always ends with '/'.
const std::string& work_dir();
void set_work_dir(std::string dir);
// work_dir() + name.
std::string work_path(std::string_view name);

std::string request_path();
std::string notify_path();
std::string report_path();
std::string color_table_path();
std::string left_picture_path();
std::string right_picture_path();
std::string left_bin_path();
std::string right_bin_path();
std::string edge_picture_path();
std::string still_dir_path();
std::string service_lock_path();
std::string camera_settings_path();

// Creates the work directory (and its parents) when it is missing, printing one line when it
// does. False with an error line when it can't be created.
bool ensure_work_dir();

}  // namespace platform
