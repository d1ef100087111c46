#include "files/color_file.h"

#include <string>

#include "files/field_splitter.h"
#include "files/field_values.h"
#include "files/line_messages.h"
#include "files/text_lines.h"
#include "platform/console.h"

static_assert(sizeof(ColorTable::color_vec[0]) / sizeof(ColorTable::color_vec[0][0]) == kMaxColors);

void fio_read_color_file(const std::string& path, ColorTable* colors) {
    std::string text;
    platform::InputError error;
    if (!read_text_file(path, text, error)) {
        platform::console_printf("エラー！(fio_read_color_file)カラーファイルを開けませんでした。\n");
        print_input_problem(path, error);
        return;
    }
    colors->color_num[0] = 0;
    colors->color_num[1] = 0;

    LineMessageScope messages(path);
    TextLines lines(text);
    char work[64];
    FieldArray buff;
    while (lines.next(work, sizeof work)) {
        if (devide_into_field(work, ",", buff) != 4) continue;
        const int cam = field_to_int(buff[0]);
        if (cam != 0 && cam != 1) {
            // The table has two cameras only; any other number would write outside it. The text
            // as written, not the number it converts to.
            print_line_message(LineMessageKind::bad_camera_number,
                               "エラー！(fio_read_color_file)カメラ番号%"
                               "sは０でも１でもありません。この行は読み込みませんでした。\n",
                               buff[0]);
            continue;
        }
        float* vec = colors->color_vec[cam][colors->color_num[cam]];
        vec[0] = field_to_float(buff[1]);
        vec[1] = field_to_float(buff[2]);
        vec[2] = field_to_float(buff[3]);
        if (++colors->color_num[cam] == kMaxColors) {
            platform::console_printf(
                "エラー！(fio_read_color_file)　カラーファイルの行数が１６を超えています。\n");
            platform::console_printf("１６行以降は読み込まれませんでした。\n");
            break;
        }
    }
}
