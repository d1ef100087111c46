#pragma once
// The work directory through which the tool talks to the controller and the training tool; the
// names of the files in it are the protocol's (files/protocol_files.h).

#include <string>
#include <string_view>

namespace platform {

// Default: $HOME/Rivivovi/work/, overridden by RIVIVOVI_WORK_DIR, overridden by set_work_dir.
std::string default_work_dir();
// Always ends with '/'.
const std::string& work_dir();
void set_work_dir(std::string dir);
// work_dir() + name.
std::string work_path(std::string_view name);

// Creates the work directory (and its parents) when it is missing, printing one line when it
// does. False with an error line when it can't be created.
bool ensure_work_dir();

}  // namespace platform
