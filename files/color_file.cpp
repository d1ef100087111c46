#include "files/color_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#include "files/field_lines.h"
#include "files/field_splitter.h"
#include "files/field_values.h"
#include "files/line_messages.h"
#include "files/text_lines.h"
#include "platform/console.h"
#include "platform/replace_file.h"

namespace files {

static_assert(sizeof(ColorTable::color_vec[0]) / sizeof(ColorTable::color_vec[0][0]) == kMaxColors);

void fio_read_color_file(const std::string& path, ColorTable* colors) {
    std::string text;
    if (!read_parameter_file(path, "エラー！(fio_read_color_file)カラーファイルを開けませんでした。\n", text))
        return;
    colors->color_num[0] = 0;
    colors->color_num[1] = 0;

    for_each_field_line(path, text, 4, [colors](FieldArray& buff) {
        const int cam = field_to_int(buff[0]);
        if (cam != 0 && cam != 1) {
            // The table has two cameras only; any other number would write outside it. The text
            // as written, not the number it converts to.
            print_line_message(LineMessageKind::bad_camera_number,
                               "エラー！(fio_read_color_file)カメラ番号%"
                               "sは０でも１でもありません。この行は読み込みませんでした。\n",
                               buff[0]);
            return true;
        }
        float* vec = colors->color_vec[cam][colors->color_num[cam]];
        vec[0] = field_to_float(buff[1]);
        vec[1] = field_to_float(buff[2]);
        vec[2] = field_to_float(buff[3]);
        if (++colors->color_num[cam] == kMaxColors) {
            platform::console_printf(
                "エラー！(fio_read_color_file)　カラーファイルの行数が１６を超えています。\n");
            platform::console_printf("１６行以降は読み込まれませんでした。\n");
            return false;
        }
        return true;
    });
}

namespace {

bool same_float(float a, float b) { return a == b || (std::isnan(a) && std::isnan(b)); }

// The shortest text that reads back to v; more digits in the rare case that the reader's detour
// through double rounds the short form to a neighbour (17 digits give the float's exact value).
std::string component_text(float v) {
    char text[64];
    const auto [end, ec] = std::to_chars(text, text + sizeof text - 1, v);
    if (ec == std::errc()) {
        *end = '\0';
        if (same_float(field_to_float(text), v)) return text;
    }
    for (int digits : {9, 17}) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(v));
        if (same_float(field_to_float(text), v)) break;
    }
    return text;
}

}  // namespace

std::string color_file_text(const ColorTable& colors) {
    int count[2];
    for (int cam = 0; cam < 2; ++cam) count[cam] = std::clamp(colors.color_num[cam], 0, kMaxColors);
    if (count[0] == kMaxColors && count[1] == kMaxColors) return "";
    const int first = count[0] == kMaxColors && count[1] > 0 ? 1 : 0;
    std::string text;
    for (int cam : {first, 1 - first}) {
        for (int i = 0; i < count[cam]; ++i) {
            const float* vec = colors.color_vec[cam][i];
            text += std::to_string(cam) + "," + component_text(vec[0]) + "," + component_text(vec[1]) + "," +
                    component_text(vec[2]) + "\n";
        }
    }
    return text;
}

bool fio_write_color_file(const std::string& path, const ColorTable& colors, const std::string& backup_path,
                          std::string& error) {
    if (colors.color_num[0] >= kMaxColors && colors.color_num[1] >= kMaxColors) {
        error = "both cameras hold 16 colours; the colour file can give back only one camera's 16";
        return false;
    }
    return platform::replace_file(path, color_file_text(colors), backup_path, error);
}

}  // namespace files
