#include "files/protocol_files.h"

#include "platform/work_dir.h"

namespace files {

using platform::work_path;

std::string request_path() { return work_path(kRequestFile); }
std::string notify_path() { return work_path(kNotifyFile); }
std::string report_path() { return work_path(kReportFile); }
std::string color_table_path() { return work_path(kColorFile); }
std::string left_picture_path() { return work_path(kLeftPicture); }
std::string right_picture_path() { return work_path(kRightPicture); }
std::string left_bin_path() { return work_path(kLeftBinPicture); }
std::string right_bin_path() { return work_path(kRightBinPicture); }
std::string edge_picture_path() { return work_path(kEdgePicture); }
std::string still_dir_path() { return work_path(kStillDir); }
std::string service_lock_path() { return work_path(kServiceLockFile); }
std::string camera_settings_path() { return work_path(kCameraSettingsFile); }

}  // namespace files
