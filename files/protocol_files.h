#pragma once
// The names of every file through which the tool talks to the controller and the training tool,
// and their paths inside the work directory (which the host decides: platform/work_dir.h). All
// protocol paths are built here and nowhere else.

#include <string>
#include <string_view>

namespace files {

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

// The work directory's path of each file.
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

}  // namespace files
