#include "app/tune_command.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "app/picture_files.h"
#include "files/color_file.h"
#include "files/protocol_files.h"
#include "platform/console.h"
#include "platform/file_ops.h"
#include "platform/ui.h"
#include "platform/work_dir.h"
#include "recog/recog_types.h"

namespace app {
namespace {

const char* const kSide[2] = {"left", "right"};
const char* const kWindow[2] = {"cone-locator tune: left", "cone-locator tune: right"};
const char* const kTrackbar = "color_th x 1000";
constexpr int kKeyWrite = 'w';
constexpr int kKeyQuit = 'q';
constexpr int kKeyUndo = 'u';
// Short, so a drawn box follows the mouse.
constexpr int kKeyWaitMs = 30;
// A click is not a box: a dragged box must be at least this wide and tall.
constexpr int kSmallestDrag = 3;

const cv::Scalar kBoxColour(0, 200, 0);
const cv::Scalar kDragColour(0, 220, 255);
const cv::Scalar kTextColour(160, 40, 0);

int fail(const std::string& message, int status) {
    platform::console_error_printf("cone-locator tune: %s\n", message.c_str());
    return status;
}

// One of the two pictures; false with a message when it is missing, unreadable or not of the form
// the cameras deliver.
bool load_camera_picture(const std::string& path, cv::Mat& picture, std::string& error) {
    if (!platform::file_exists(path)) {
        error = path + ": no such file";
        return false;
    }
    try {
        picture = cv::imread(path, cv::IMREAD_ANYDEPTH | cv::IMREAD_ANYCOLOR);
    } catch (const cv::Exception&) {
        picture.release();
    }
    if (picture.empty()) {
        error = path + ": not a picture that can be read";
        return false;
    }
    return is_camera_picture(path, picture, error);
}

bool whole_number(const std::string& text, int& value) {
    if (text.empty() || text.size() > 11) return false;
    if (!(text[0] == '-' || (text[0] >= '0' && text[0] <= '9'))) return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || v < INT_MIN || v > INT_MAX) return false;
    value = static_cast<int>(v);
    return true;
}

std::string threshold_text(int thousandths) {
    char text[16];
    std::snprintf(text, sizeof text, "%d.%03d", thousandths / recog::kThresholdSteps,
                  thousandths % recog::kThresholdSteps);
    return text;
}

// What the pictures, boxes and tuning come to, on the console.
void print_tuning(const recog::ColorTuning& t, const std::vector<recog::PixelBox> boxes[2]) {
    platform::console_printf("colour table (camera,red,green,blue):\n");
    platform::console_write(files::color_file_text(t.table));
    for (int cam = 0; cam < 2; ++cam) {
        const recog::MatchShares& s = t.shares[cam];
        const int kept = t.table.color_num[cam] - t.added[cam];
        platform::console_printf("camera %d (%s): %zu box%s, %d colour%s (%d new, %d kept)", cam, kSide[cam],
                                 boxes[cam].size(), boxes[cam].size() == 1 ? "" : "es",
                                 t.table.color_num[cam], t.table.color_num[cam] == 1 ? "" : "s", t.added[cam],
                                 kept);
        if (t.table.color_num[cam] <= 0) {
            platform::console_printf(boxes[cam].empty() ? ", no box yet\n"
                                                        : ", no colour of the boxes stands out\n");
            continue;
        }
        platform::console_printf(
            ", box pixels matched %.2f %% (%d of %d), background pixels matched %.2f %% (%d of %d)\n",
            100.0 * s.box_share(), s.box_matched, s.box_pixels, 100.0 * s.background_share(),
            s.background_matched, s.background_pixels);
    }
    platform::console_printf("threshold for the request: color_th,%s\n",
                             threshold_text(t.th_thousandths).c_str());
    platform::console_flush();
}

// The picture with its boxes beside the mask of the table at the threshold, and the shares.
cv::Mat tune_view(const cv::Mat& picture, const std::vector<recog::PixelBox>& boxes,
                  const recog::ColorTuning& t, int cam, const recog::PixelBox* dragging) {
    cv::Mat mask;
    if (t.table.color_num[cam] > 0) {
        mask = recog::color_mask(picture, t.table, cam, t.color_th);
    } else {
        mask = cv::Mat(picture.size(), CV_8UC3, cv::Scalar::all(255));  // nothing is cone-coloured
    }
    cv::Mat view(picture.rows, 2 * picture.cols, CV_8UC3);
    picture.copyTo(view(cv::Rect(0, 0, picture.cols, picture.rows)));
    mask.copyTo(view(cv::Rect(picture.cols, 0, picture.cols, picture.rows)));
    for (const recog::PixelBox& b : boxes) {
        for (int offset : {0, picture.cols}) {
            cv::rectangle(view, cv::Rect(offset + b.x, b.y, b.w, b.h), kBoxColour, 1);
        }
    }
    if (dragging)
        cv::rectangle(view, cv::Rect(dragging->x, dragging->y, dragging->w, dragging->h), kDragColour, 1);
    char text[96];
    const recog::MatchShares& s = t.shares[cam];
    std::snprintf(text, sizeof text, "th %s  box %.1f%%  bg %.2f%%", threshold_text(t.th_thousandths).c_str(),
                  100.0 * s.box_share(), 100.0 * s.background_share());
    cv::putText(view, text, cv::Point(picture.cols + 4, picture.rows - 6), cv::FONT_HERSHEY_SIMPLEX, 0.4,
                kTextColour, 1, cv::LINE_AA);
    return view;
}

// Both views, left above right: the picture to look at without a display.
cv::Mat mask_picture(const cv::Mat pictures[2], const std::vector<recog::PixelBox> boxes[2],
                     const recog::ColorTuning& t) {
    cv::Mat both;
    cv::vconcat(tune_view(pictures[0], boxes[0], t, 0, nullptr),
                tune_view(pictures[1], boxes[1], t, 1, nullptr), both);
    return both;
}

recog::ColorTuning propose(const cv::Mat pictures[2], const std::vector<recog::PixelBox> boxes[2],
                           const files::ColorTable& kept) {
    recog::TuningView views[2];
    for (int cam = 0; cam < 2; ++cam) {
        views[cam].picture = &pictures[cam];
        views[cam].boxes = boxes[cam];
    }
    return recog::tune_colors(views, kept);
}

// The same table at another threshold.
void set_threshold(recog::ColorTuning& t, int thousandths, const cv::Mat pictures[2],
                   const std::vector<recog::PixelBox> boxes[2]) {
    t.th_thousandths = thousandths;
    t.color_th = recog::threshold_of(thousandths);
    for (int cam = 0; cam < 2; ++cam) {
        t.shares[cam] =
            recog::match_shares(recog::TuningView{&pictures[cam], boxes[cam]}, t.table, cam, t.color_th);
    }
}

// The box spanned by two corners, clipped to the picture.
recog::PixelBox spanned(int x0, int y0, int x1, int y1, const cv::Mat& picture) {
    x0 = std::clamp(x0, 0, picture.cols - 1);
    x1 = std::clamp(x1, 0, picture.cols - 1);
    y0 = std::clamp(y0, 0, picture.rows - 1);
    y1 = std::clamp(y1, 0, picture.rows - 1);
    return {std::min(x0, x1), std::min(y0, y1), std::abs(x1 - x0) + 1, std::abs(y1 - y0) + 1};
}

enum class SessionEnd { write, quit };

// The windows: boxes dragged with the left button (u takes the last one back), the threshold on a
// slider, w to write the table, q to quit without writing. (A right click opens the image
// library's own menu in some builds, so it is not used.)
SessionEnd window_session(const cv::Mat pictures[2], std::vector<recog::PixelBox> boxes[2],
                          const files::ColorTable& kept, recog::ColorTuning& t) {
    platform::Ui& ui = platform::ui();
    for (int cam = 0; cam < 2; ++cam) {
        platform::WindowOptions window;
        window.status_line = "drag: box  u: undo  w: write  q: quit";
        window.close_key = kKeyQuit;  // closing a window quits without writing
        window.x = 24 + cam * 344;    // side by side, the left picture at the left
        window.y = 24;
        ui.create_window(kWindow[cam], window);
        ui.create_trackbar(kWindow[cam], kTrackbar, recog::kThresholdSteps, t.th_thousandths);
    }
    platform::console_printf(
        "drag a box around each cone with the mouse (u takes the last box back), move the %s\n"
        "slider; w writes the colour table, q quits without writing\n",
        kTrackbar);
    platform::console_flush();

    struct Drag {
        bool active = false;
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    } drag[2];
    std::vector<int> drawn;  // the picture of each box drawn here, in order
    bool redraw = true;
    for (;;) {
        if (redraw) {
            for (int cam = 0; cam < 2; ++cam) {
                recog::PixelBox shown;
                if (drag[cam].active)
                    shown = spanned(drag[cam].x0, drag[cam].y0, drag[cam].x1, drag[cam].y1, pictures[cam]);
                ui.show(kWindow[cam],
                        tune_view(pictures[cam], boxes[cam], t, cam, drag[cam].active ? &shown : nullptr));
            }
            redraw = false;
        }
        const int key = ui.wait_key(kKeyWaitMs);
        if (key == kKeyQuit) return SessionEnd::quit;
        if (key == kKeyWrite) {
            if (t.table.color_num[0] > 0 && t.table.color_num[1] > 0) return SessionEnd::write;
            platform::console_printf("each picture needs a colour first: drag a box around a cone in it\n");
            platform::console_flush();
        }

        bool boxes_changed = false;
        if (key == kKeyUndo && !drawn.empty()) {
            boxes[drawn.back()].pop_back();
            drawn.pop_back();
            boxes_changed = true;
        }
        for (int cam = 0; cam < 2; ++cam) {
            const cv::Mat& picture = pictures[cam];
            for (const platform::MouseEvent& e : ui.take_mouse_events(kWindow[cam])) {
                const bool on_picture = e.x >= 0 && e.x < picture.cols && e.y >= 0 && e.y < picture.rows;
                switch (e.kind) {
                    case platform::MouseEvent::Kind::left_down:
                        if (!on_picture) break;
                        drag[cam] = {true, e.x, e.y, e.x, e.y};
                        redraw = true;
                        break;
                    case platform::MouseEvent::Kind::move:
                        if (!drag[cam].active) break;
                        drag[cam].x1 = e.x;
                        drag[cam].y1 = e.y;
                        redraw = true;
                        break;
                    case platform::MouseEvent::Kind::left_up: {
                        if (!drag[cam].active) break;
                        drag[cam].active = false;
                        redraw = true;
                        const recog::PixelBox b = spanned(drag[cam].x0, drag[cam].y0, e.x, e.y, picture);
                        if (b.w >= kSmallestDrag && b.h >= kSmallestDrag) {
                            boxes[cam].push_back(b);
                            drawn.push_back(cam);
                            boxes_changed = true;
                        }
                        break;
                    }
                }
            }
        }
        if (boxes_changed) {
            t = propose(pictures, boxes, kept);
            for (int cam = 0; cam < 2; ++cam)
                ui.set_trackbar_position(kWindow[cam], kTrackbar, t.th_thousandths);
            print_tuning(t, boxes);
            redraw = true;
            continue;
        }
        // Either slider moves the one threshold; the other follows.
        for (int cam = 0; cam < 2; ++cam) {
            const int position = ui.trackbar_position(kWindow[cam], kTrackbar);
            if (position < 0 || position == t.th_thousandths) continue;
            // 0 would match nothing at all: the slider stops at 1.
            set_threshold(t, std::max(position, 1), pictures, boxes);
            for (const char* window : kWindow) ui.set_trackbar_position(window, kTrackbar, t.th_thousandths);
            redraw = true;
            break;
        }
    }
}

int tune(const TuneArgs& a) {
    std::string error;
    if (!a.mask.empty() && !can_write_picture(a.mask)) {
        return fail(a.mask + ": no picture format for this file name (use .png, .bmp, .jpg)", 2);
    }
    const std::string paths[2] = {a.left.empty() ? files::left_picture_path() : a.left,
                                  a.right.empty() ? files::right_picture_path() : a.right};
    cv::Mat pictures[2];
    for (int cam = 0; cam < 2; ++cam) {
        if (!load_camera_picture(paths[cam], pictures[cam], error)) return fail(error, 2);
    }
    std::vector<recog::PixelBox> boxes[2];
    const std::vector<std::string>* given[2] = {&a.box_left, &a.box_right};
    for (int cam = 0; cam < 2; ++cam) {
        for (const std::string& text : *given[cam]) {
            recog::PixelBox b;
            parse_box(text, b);  // the parser has checked the form
            const std::string problem = box_problem(b, pictures[cam].cols, pictures[cam].rows);
            if (!problem.empty())
                return fail(std::string("--box-") + kSide[cam] + " " + text + ": " + problem, 2);
            boxes[cam].push_back(b);
        }
    }
    platform::Ui& ui = platform::ui();
    if (ui.headless()) {
        for (int cam = 0; cam < 2; ++cam) {
            if (boxes[cam].empty()) {
                return fail(std::string("no box in the ") + kSide[cam] + " picture: give --box-" +
                                kSide[cam] +
                                " x,y,w,h around a cone (with a display, drag boxes in the window)",
                            2);
            }
        }
    }

    const std::string table_path = files::color_table_path();
    files::ColorTable kept{};
    if (a.append) {
        if (platform::file_exists(table_path)) {
            files::fio_read_color_file(table_path, &kept);
        } else {
            platform::console_printf("no colour table at %s yet: a new one is made\n", table_path.c_str());
        }
    }

    recog::ColorTuning t = propose(pictures, boxes, kept);
    print_tuning(t, boxes);
    bool write = a.write;
    if (!ui.headless()) {
        write = window_session(pictures, boxes, kept, t) == SessionEnd::write;
        for (int cam = 0; cam < 2; ++cam) ui.destroy_window(kWindow[cam]);
        print_tuning(t, boxes);
    }

    int status = 0;
    if (std::string reason;
        !a.mask.empty() && !save_picture(a.mask, mask_picture(pictures, boxes, t), reason)) {
        status = fail(a.mask + ": the mask picture could not be written", 1);
    }
    if (!write) {
        if (ui.headless())
            platform::console_printf("the table was not written (--write writes it to %s)\n",
                                     table_path.c_str());
        platform::console_flush();
        return status;
    }
    for (int cam = 0; cam < 2; ++cam) {
        if (t.table.color_num[cam] <= 0) {
            return fail(std::string("no colour of the ") + kSide[cam] +
                            " picture's boxes stands out from the background: the table was not written",
                        1);
        }
    }
    const bool had_table = platform::file_exists(table_path);
    const std::string backup_path = table_path + ".bak";
    if (!files::fio_write_color_file(table_path, t.table, backup_path, error)) return fail(error, 1);
    if (had_table) {
        platform::console_printf("colour table written to %s (the old one kept as %s)\n", table_path.c_str(),
                                 backup_path.c_str());
    } else {
        platform::console_printf("colour table written to %s\n", table_path.c_str());
    }
    platform::console_flush();
    return status;
}

}  // namespace

bool parse_box(const std::string& text, recog::PixelBox& box) {
    int v[4];
    size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const size_t comma = i < 3 ? text.find(',', start) : text.size();
        if (comma == std::string::npos) return false;
        if (!whole_number(text.substr(start, comma - start), v[i])) return false;
        start = comma + 1;
    }
    box = {v[0], v[1], v[2], v[3]};
    return true;
}

std::string box_problem(const recog::PixelBox& b, int width, int height) {
    if (b.w <= 0 || b.h <= 0) return "the box is empty (width and height must be at least 1)";
    // In 64 bits: x + w must not overflow on the way.
    if (b.x < 0 || b.y < 0 || int64_t{b.x} + b.w > width || int64_t{b.y} + b.h > height) {
        return "the box reaches outside the " + std::to_string(width) + " x " + std::to_string(height) +
               " picture";
    }
    return "";
}

platform::CliCommand tune_cli_command(TuneArgs& out) {
    auto file = [&out](const char* name, std::string TuneArgs::*field, const char* value_name,
                       const char* help) {
        return platform::CliOption{name, value_name, help,
                                   [&out, field](const std::string& v, std::string&) {
                                       out.*field = v;
                                       return true;
                                   },
                                   "a file name"};
    };
    auto box = [&out](const char* name, std::vector<std::string> TuneArgs::*field, const char* help) {
        return platform::CliOption{name, "x,y,w,h", help,
                                   [&out, field, name](const std::string& v, std::string& error) {
                                       recog::PixelBox b;
                                       if (!parse_box(v, b)) {
                                           error = std::string(name) + " " + v +
                                                   ": a box is x,y,w,h, four whole numbers";
                                           return false;
                                       }
                                       (out.*field).push_back(v);
                                       return true;
                                   },
                                   "a box x,y,w,h"};
    };
    auto flag = [&out](const char* name, bool TuneArgs::*field, const char* help) {
        return platform::CliOption{name, "", help, [&out, field](const std::string&, std::string&) {
                                       out.*field = true;
                                       return true;
                                   }};
    };
    platform::CliCommand c;
    c.name = "tune";
    c.usage =
        "tune [--left L.bmp] [--right R.bmp] [--box-left x,y,w,h ...]\n"
        "  [--box-right x,y,w,h ...] [--write] [--append] [--mask OUT.png]";
    c.summary = "the colour table made from boxes around cones";
    c.description =
        "Makes the colour table from the cones you point at: boxes around cones in a left and a\n"
        "right picture (default: rk9t_left.bmp and rk9t_right.bmp of the work directory, the\n"
        "pictures of the last request). From the pixels inside the boxes and outside them it\n"
        "proposes up to 15 reference colours per camera and the threshold that keeps the most\n"
        "box pixels while matching the fewest background pixels, and prints both, with the share\n"
        "of box and background pixels each camera's colours match.\n"
        "\n"
        "With a display a window per picture shows the live mask: drag boxes with the mouse\n"
        "(u takes the last one back), move the threshold slider, w writes the table, q quits\n"
        "without writing. Without one (or with --headless) the boxes are needed for both\n"
        "pictures and --write decides. Put the threshold in the request (color_th).\n"
        "Exit status: 0 done, 1 a file could not be written or no colour stands out of the\n"
        "boxes, 2 bad arguments, pictures or boxes.\n";
    c.options = {
        file("--left", &TuneArgs::left, "FILE", "the left picture (320 x 240 colour)"),
        file("--right", &TuneArgs::right, "FILE", "the right picture (320 x 240 colour)"),
        box("--box-left", &TuneArgs::box_left,
            "a box around a cone in the left picture: column, row\nof its top left pixel, width, height; "
            "repeat for\nmore cones"),
        box("--box-right", &TuneArgs::box_right, "the same in the right picture"),
        flag("--write", &TuneArgs::write,
             "write the table to rk9t_color.dat of the work\ndirectory, the old one kept as "
             "rk9t_color.dat.bak"),
        flag("--append", &TuneArgs::append, "keep the table's colours and add the new ones to them"),
        file("--mask", &TuneArgs::mask, "OUT.png",
             "both pictures with their boxes beside the mask of the\ntable"),
    };
    return c;
}

bool parse_tune_args(const std::vector<std::string>& args, TuneArgs& out, std::string& error) {
    out = TuneArgs{};
    return platform::parse_command_args("cone-locator", tune_cli_command(out), args, out.help, error);
}

int run_tune_command(const TuneArgs& args) {
    try {
        return tune(args);
    } catch (const std::exception& e) {
        return fail(std::string("stopped: ") + e.what(), 1);
    }
}

}  // namespace app
