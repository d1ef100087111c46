#include "platform/work_dir.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/console.h"

namespace platform {
namespace {

std::string with_slash(std::string dir) {
    if (dir.empty()) dir = ".";
    if (dir.back() != '/') dir += '/';
    return dir;
}

std::string& current() {
    static std::string dir = default_work_dir();
    return dir;
}

}  // namespace

std::string default_work_dir() {
    if (const char* env = std::getenv("RIVIVOVI_WORK_DIR"); env && *env) return with_slash(env);
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* pw = getpwuid(getuid());
        home = pw && pw->pw_dir ? pw->pw_dir : ".";
    }
    return with_slash(std::string(home) + "/Rivivovi/work");
}

const std::string& work_dir() { return current(); }
void set_work_dir(std::string dir) { current() = with_slash(std::move(dir)); }
std::string work_path(std::string_view name) { return work_dir() + std::string(name); }

bool ensure_work_dir() {
    std::error_code ec;
    const std::filesystem::path dir(work_dir());
    if (std::filesystem::is_directory(dir, ec)) return true;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        console_error_printf("エラー！作業ディレクトリ %s を作成できません：%s\n", work_dir().c_str(),
                             ec.message().c_str());
        return false;
    }
    console_printf("作業ディレクトリを作成しました：%s\n", work_dir().c_str());
    return true;
}

}  // namespace platform
