// The windows on a real (virtual) X display: no toolbar, a status line with the key hints, the
// service's two windows side by side, the still's name in item 7's title, and closing a window
// ending its mode as q does. Skipped where Xvfb is not installed.

#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <opencv2/imgcodecs.hpp>
#include <optional>
#include <sstream>

#include "sim/renderer.h"
#include "tests/app/mode_test_support.h"
#include "tests/app/service_test_support.h"

// Last: its macros (None, Status, ...) clash with names in the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using mode_test::kMenuEnd;
using test_support::ChildProcess;
using test_support::TempDir;

const std::string kServiceHints = "[t]キーを押すとテスト動作を実行します。\n";
constexpr int kStatusHeight = 20;  // the status line under the pictures

std::optional<std::string> find_program(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        const std::filesystem::path candidate = std::filesystem::path(dir) / name;
        if (!dir.empty() && ::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return std::nullopt;
}

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

// An Xvfb server of the test's own and a connection to it.
class VirtualDisplay {
public:
    explicit VirtualDisplay(const std::string& xvfb) {
        // -displayfd picks a free display number and writes it to standard output.
        server_ = std::make_unique<ChildProcess>(
            xvfb,
            std::vector<std::string>{"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
        if (!server_->wait_for_output("\n")) return;
        name_ = ":" + server_->output().substr(0, server_->output().find('\n'));
        test_support::wait_until([&] { return (display_ = XOpenDisplay(name_.c_str())) != nullptr; });
    }
    ~VirtualDisplay() {
        if (display_) XCloseDisplay(display_);
        server_->send_signal(SIGTERM);
        server_->wait_exit();
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    bool ok() const { return display_ != nullptr; }
    // The environment of a program that should draw here.
    std::vector<std::string> env() const {
        // The window toolkit's own allocations are not the tool's to answer for.
        return {"DISPLAY=" + name_, "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=xcb", "ASAN_OPTIONS=detect_leaks=0"};
    }

    // The mapped window with this title, waiting for it to appear at its full size.
    std::optional<Window> window(const std::string& title, int min_height = 1) {
        std::optional<Window> found;
        test_support::wait_until([&] {
            found = find(DefaultRootWindow(display_), title);
            return found && geometry(*found).height >= min_height;
        });
        return found;
    }

    bool gone(const std::string& title) {
        return test_support::wait_until([&] { return !find(DefaultRootWindow(display_), title); });
    }

    Geometry geometry(Window w) {
        XWindowAttributes a{};
        XGetWindowAttributes(display_, w, &a);
        Window child = 0;
        int x = 0, y = 0;
        XTranslateCoordinates(display_, w, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
        return {x, y, a.width, a.height};
    }

    // Pixel colours (0xRRGGBB) of a rectangle of the window.
    std::vector<unsigned long> pixels(Window w, int x, int y, int width, int height) {
        std::vector<unsigned long> out;
        XImage* image = XGetImage(display_, w, x, y, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height), AllPlanes, ZPixmap);
        if (!image) return out;
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c) out.push_back(XGetPixel(image, c, r) & 0xffffff);
        XDestroyImage(image);
        return out;
    }

    // What a window manager sends when the user clicks the window's close button.
    void close(Window w) {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(display_, w, False, NoEventMask, &e);
        XFlush(display_);
    }

private:
    std::optional<Window> find(Window w, const std::string& title) {
        char* name = nullptr;
        if (XFetchName(display_, w, &name) && name) {
            const bool match = title == name;
            XFree(name);
            XWindowAttributes a{};
            if (match && XGetWindowAttributes(display_, w, &a) && a.map_state == IsViewable) return w;
        }
        Window root = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display_, w, &root, &parent, &children, &count)) return std::nullopt;
        std::optional<Window> found;
        for (unsigned int i = 0; i < count && !found; ++i) found = find(children[i], title);
        if (children) XFree(children);
        return found;
    }

    std::unique_ptr<ChildProcess> server_;
    std::string name_;
    Display* display_ = nullptr;
};

class GuiWindows : public ::testing::Test {
protected:
    void SetUp() override {
        const std::optional<std::string> xvfb = find_program("Xvfb");
        if (!xvfb) GTEST_SKIP() << "Xvfb is not installed";
        display_ = std::make_unique<VirtualDisplay>(*xvfb);
        ASSERT_TRUE(display_->ok()) << "Xvfb did not come up";
    }

    std::vector<std::string> args(std::vector<std::string> extra = {}) {
        test_support::write_file(dir_.file("scene.txt"), sim::format_scene(service_test::three_cones()));
        std::vector<std::string> a{"--camera",   "sim",       "--encoding", "utf-8",
                                   "--work-dir", dir_.path(), "--scene",    dir_.file("scene.txt")};
        a.insert(a.end(), extra.begin(), extra.end());
        return a;
    }

    // The status line: mostly its dark grey, with some light text on it (waiting for the first
    // picture to be drawn).
    void expect_status_line(Window w, const Geometry& g) {
        size_t background = 0, text = 0, total = 0;
        test_support::wait_until([&] {
            const std::vector<unsigned long> strip =
                display_->pixels(w, 0, g.height - kStatusHeight, g.width, kStatusHeight);
            background = text = 0;
            total = strip.size();
            for (unsigned long p : strip) {
                background += p == 0x303030;
                text += (p & 0xff) > 200 && ((p >> 8) & 0xff) > 200 && ((p >> 16) & 0xff) > 200;
            }
            return background > total / 2 && text > 50;
        });
        EXPECT_GT(background, total / 2);
        EXPECT_GT(text, 50u);
    }

    TempDir dir_;
    std::unique_ptr<VirtualDisplay> display_;
};

TEST_F(GuiWindows, service_windows_sit_side_by_side_with_status_lines_and_closing_one_ends_it) {
    ChildProcess p(CONE_LOCATOR_BIN, args({"serve"}), display_->env());
    ASSERT_TRUE(p.wait_for_output(kServiceHints)) << p.error_output();
    const auto left = display_->window("VideoInput1(Left  Camera)", 240 + kStatusHeight);
    const auto right = display_->window("VideoInput2(Right Camera)", 240 + kStatusHeight);
    ASSERT_TRUE(left && right) << p.error_output();
    const Geometry l = display_->geometry(*left);
    const Geometry r = display_->geometry(*right);
    // No toolbar: each window is its picture and the status line.
    EXPECT_EQ(l.width, 320);
    EXPECT_EQ(l.height, 240 + kStatusHeight);
    EXPECT_EQ(r.width, 320);
    EXPECT_EQ(r.height, 240 + kStatusHeight);
    EXPECT_LE(l.x + l.width, r.x) << "left " << l.x << ", right " << r.x;
    EXPECT_EQ(l.y, r.y);
    expect_status_line(*left, l);
    expect_status_line(*right, r);

    display_->close(*right);
    EXPECT_EQ(p.wait_exit(), 0);
    EXPECT_NE(p.output().find("SETUP: Device 1 disconnected and freed\n"), std::string::npos) << p.output();
    EXPECT_TRUE(display_->gone("VideoInput1(Left  Camera)"));
}

TEST_F(GuiWindows, after_a_request_the_service_windows_show_the_cones_it_found) {
    const std::vector<std::string> serve = args({"serve"});
    test_support::write_file(dir_.file("rk9t_color.dat"), service_test::kColorTable);
    ChildProcess p(CONE_LOCATOR_BIN, serve, display_->env());
    ASSERT_TRUE(p.wait_for_output(kServiceHints)) << p.error_output();
    const auto left = display_->window("VideoInput1(Left  Camera)", 240 + kStatusHeight);
    const auto right = display_->window("VideoInput2(Right Camera)", 240 + kStatusHeight);
    ASSERT_TRUE(left && right) << p.error_output();
    const Geometry l = display_->geometry(*left);
    const Geometry r = display_->geometry(*right);
    EXPECT_LE(l.x + l.width, r.x) << "left " << l.x << ", right " << r.x;
    expect_status_line(*left, l);
    expect_status_line(*right, r);
    // Pixels of the reported cones' box colour in the picture part of a window.
    const auto boxed = [&](Window w) {
        size_t n = 0;
        for (unsigned long pixel : display_->pixels(w, 0, 0, 320, 240)) n += pixel == 0x00dc00;
        return n;
    };
    EXPECT_EQ(boxed(*left), 0u) << "nothing drawn before an answer";

    service_test::write_request(dir_.path());
    ASSERT_TRUE(test_support::wait_for_file(dir_.file("notify.txt"))) << p.output();
    // Three boxes around cones 28 to 44 pixels tall: a few hundred pixels of their outlines.
    size_t on_left = 0, on_right = 0;
    test_support::wait_until([&] {
        on_left = boxed(*left);
        on_right = boxed(*right);
        return on_left > 200 && on_right > 200;
    });
    EXPECT_GT(on_left, 200u);
    EXPECT_GT(on_right, 200u);
    // Each cone's centre row crosses its box's left edge, just left of the cone.
    for (const sim::Cone& c : service_test::three_cones().cones) {
        const sim::ConeTruth t = sim::project(c, sim::View::left);
        const int row = static_cast<int>(t.row + 0.5);
        const std::vector<unsigned long> line = display_->pixels(*left, 0, row, 320, 1);
        const int apex_col = static_cast<int>(t.col + 0.5);
        bool edge = false;
        for (int col = std::max(0, apex_col - static_cast<int>(t.pixel_width)); col < apex_col; ++col)
            edge = edge || line[static_cast<size_t>(col)] == 0x00dc00;
        EXPECT_TRUE(edge) << "no box left of the cone at column " << apex_col << ", row " << row;
    }
    p.send_signal(SIGTERM);
    EXPECT_EQ(p.wait_exit(), 0);
}

TEST_F(GuiWindows, closing_a_mode_window_returns_to_the_menu_and_the_still_is_named_in_the_title) {
    const sim::Scene scene = service_test::three_cones();
    std::filesystem::create_directories(dir_.file("static_movie/red_corn2"));
    ASSERT_TRUE(cv::imwrite(dir_.file("static_movie/red_corn2/capt3_00534.bmp"),
                            sim::render(scene, sim::View::left)));
    ChildProcess p(CONE_LOCATOR_BIN, args(), display_->env());
    auto at = p.wait_for_output(kMenuEnd);
    ASSERT_TRUE(at);

    p.send("3\n0\n");  // the live preview of the 640 x 480 camera
    const auto capture = display_->window("Capture", 480 + kStatusHeight);
    ASSERT_TRUE(capture) << p.error_output();
    const Geometry g = display_->geometry(*capture);
    EXPECT_EQ(g.width, 640);
    EXPECT_EQ(g.height, 480 + kStatusHeight);
    expect_status_line(*capture, g);
    display_->close(*capture);
    at = p.wait_for_output(kMenuEnd, *at);
    ASSERT_TRUE(at) << "closing the window did not end the preview";
    EXPECT_TRUE(display_->gone("Capture"));

    p.send("7\n");
    const auto still = display_->window("Clipped Images: capt3_00534.bmp", 240 + kStatusHeight);
    ASSERT_TRUE(still) << p.error_output();
    display_->close(*still);
    at = p.wait_for_output(kMenuEnd, *at);
    ASSERT_TRUE(at) << "closing the window did not end the still feed";

    p.send("99\n");
    EXPECT_EQ(p.wait_exit(), 0);
}

}  // namespace
