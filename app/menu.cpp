#include "app/menu.h"

#include <string>

#include "app/camera_preview.h"
#include "app/corn_location_service.h"
#include "app/edge_extraction_mode.h"
#include "app/service_camera_settings.h"
#include "app/static_movie_feed.h"
#include "files/protocol_files.h"
#include "platform/console.h"
#include "platform/input.h"
#include "platform/work_dir.h"

namespace app {
namespace {

void print_menu() {
    platform::console_printf("\n");
    platform::console_printf("*** 番号を選んで下さい ***\n");
    platform::console_printf(" 1:\n");
    platform::console_printf(" 2:\n");
    platform::console_printf(" 3:ＵＳＢカメラからイメージ取得＆表示（１台）（ＣＶ）\n");
    platform::console_printf(" 4:赤コーン位置情報送信（ステレオ撮影Ｃ５００用）\n");
    platform::console_printf(" 5:\n");
    platform::console_printf(" 6:エッジ抽出のテスト（ＣＶ）\n");
    platform::console_printf(" 7:PL_mentor3へ静止画に分解された動画を送る\n");
    platform::console_printf("99:終了\n");
    platform::console_flush();
}

}  // namespace

MenuEnd run_menu(const capture::BackendOptions& backend, std::shared_ptr<capture::CameraBackend> camera_backend,
                 const std::vector<CameraSetting>& camera_settings) {
    for (;;) {
        print_menu();
        int num = 0;
        switch (platform::read_number(num)) {
            case platform::NumberInput::end_of_input:
                return MenuEnd::done;
            case platform::NumberInput::not_a_number:
                continue;
            case platform::NumberInput::number:
                break;
        }
        switch (num) {
            case 3:
                camera_preview(backend);
                break;
            case 4:
                // Back to the menu however it ended, unless there is no camera at all.
                if (corn_location_service(camera_backend, {}, service_camera_settings(camera_settings)) ==
                    ServiceEnd::no_capture_device)
                    return MenuEnd::no_capture_device;
                break;
            case 6: {
                const std::string input = files::right_picture_path();
                const std::string output = files::edge_picture_path();
                run_edge_extraction_mode(input, output);  // the file names are shown whatever the result
                platform::console_printf("入力ファイル：%s\n", input.c_str());
                platform::console_printf("出力ファイル：%s\n", output.c_str());
                break;
            }
            case 7:
                static_movie_feed();
                break;
            case 99:
                return MenuEnd::done;
            default:
                break;  // 1, 2, 5 and unknown numbers do nothing
        }
    }
}

}  // namespace app
