// Building a device's graph: size negotiation, every failure path with its clean-up, crossbar
// routing, analog standards and the graph description.

#include <cstring>
#include <ostream>

#include "tests/capture/capture_fixture.h"

namespace capture_test {
namespace {

using capture::BuildResult;
using capture::StreamCategory;
using capture::VideoInput;
namespace st = capture::subtype;

// Physical connector types of crossbar pins.
constexpr int32_t kTuner = 1, kComposite = 2, kSVideo = 3, kVideoDecoder = 12;

TEST_F(CaptureTest, size_taken_by_rgb24_is_tried_once_and_delivered) {
    auto device = add(webcam());
    VideoInput& vi = make_vi();
    size_t mark = out.size();
    ASSERT_TRUE(vi.openDevice(0, 320, 240));
    std::string log = since(mark);
    EXPECT_EQ(occurrences(log, "SETUP: trying format"), 1u);
    EXPECT_TRUE(in_order(log, {"SETUP: Setting up device 0\n", "SETUP: Test Camera\n",
                               "SETUP: Default Format is set to 640 by 480 \n",
                               "SETUP: trying format RGB24 @ 320 by 240\n", "SETUP: Capture callback set\n",
                               "SETUP: Device is setup and ready to capture.\n\n"}))
        << log;
    EXPECT_EQ(vi.widthOf(0), 320);
    EXPECT_EQ(vi.heightOf(0), 240);
    ASSERT_TRUE(device->last_format());
    EXPECT_EQ(device->last_format()->width, 320);
    EXPECT_TRUE(device->last_format()->subtype == st::RGB24);
    EXPECT_TRUE(device->streaming());
}

TEST_F(CaptureTest, closest_size_is_searched_when_no_subtype_takes_the_request) {
    SimDeviceConfig c = webcam();
    c.capabilities = {fixed_size(st::YUY2, 640, 480), fixed_size(st::YUY2, 160, 120)};
    auto device = add(c);
    VideoInput& vi = make_vi();
    size_t mark = out.size();
    ASSERT_TRUE(vi.openDevice(0, 320, 240));
    std::string log = since(mark);
    EXPECT_EQ(occurrences(log, "SETUP: trying format"), 18u);
    EXPECT_TRUE(in_order(log, {"SETUP: trying format RGB24 @ 320 by 240\n", "SETUP: trying format Y8 @ 320 by 240\n",
                               "SETUP: trying format GREY @ 320 by 240\n",
                               "SETUP: couldn't find requested size - searching for closest matching size\n",
                               "SETUP: closest supported size is YUY2 @ 160 120\n"}))
        << log;
    EXPECT_EQ(vi.widthOf(0), 160);
    EXPECT_EQ(vi.heightOf(0), 120);
    EXPECT_TRUE(device->last_format()->subtype == st::YUY2);

    // The frames really come at that size.
    ASSERT_TRUE(pass_frames(*device, 1));
    std::vector<uint8_t> frame(static_cast<size_t>(vi.frameBytesOf(0)));
    EXPECT_TRUE(vi.GetPixels(0, frame.data(), false, false));
}

// Reports the size the search picks, as the build prints it, and the size delivered.
class ClosestSizeTest : public CaptureTest {
protected:
    std::string pick(std::vector<FormatRange> caps, bool list_unreadable = false) {
        SimDeviceConfig c = webcam();
        c.capabilities = std::move(caps);
        // Only the sizes the search may propose are taken, never the request itself.
        c.accepts = [](int w, int, uint32_t) { return w != 320; };
        add(c);
        if (list_unreadable) platform->faults().fail(Step::capabilities);
        VideoInput& vi = make_vi();
        size_t mark = out.size();
        EXPECT_TRUE(vi.openDevice(0, 320, 240));
        std::string log = since(mark);
        size_t at = log.find("SETUP: closest supported size is ");
        size_ = std::to_string(vi.widthOf(0)) + "x" + std::to_string(vi.heightOf(0));
        return at == std::string::npos ? "" : log.substr(at, log.find('\n', at) - at);
    }
    std::string size_;
};

TEST_F(ClosestSizeTest, equally_near_capabilities_go_to_the_earlier_one) {
    EXPECT_EQ(pick({fixed_size(st::YUY2, 330, 240), fixed_size(st::UYVY, 310, 240)}),
              "SETUP: closest supported size is YUY2 @ 330 240");
    EXPECT_EQ(size_, "330x240");
}

TEST_F(ClosestSizeTest, equally_near_capabilities_in_the_other_order) {
    EXPECT_EQ(pick({fixed_size(st::UYVY, 310, 240), fixed_size(st::YUY2, 330, 240)}),
              "SETUP: closest supported size is UYVY @ 310 240");
}

TEST_F(ClosestSizeTest, range_is_walked_in_granularity_steps) {
    FormatRange range{st::YUY2, 100, 100, 700, 500, 64, 50};  // widths 100,164,...; heights 100,150,...
    EXPECT_EQ(pick({range}), "SETUP: closest supported size is YUY2 @ 292 250");
}

TEST_F(ClosestSizeTest, capability_with_zero_granularity_is_ignored) {
    EXPECT_EQ(pick({fixed_size(st::RGB32, 318, 240, 0), fixed_size(st::YUY2, 640, 480)}),
              "SETUP: closest supported size is YUY2 @ 640 480");
}

TEST_F(ClosestSizeTest, unreadable_format_list_finds_nothing_and_the_default_size_is_used) {
    EXPECT_EQ(pick({fixed_size(st::YUY2, 160, 120)}, true), "");
    EXPECT_EQ(size_, "640x480");
}

TEST_F(CaptureTest, refused_trials_leave_the_stored_format_so_a_frame_time_goes_out_at_the_default_size) {
    SimDeviceConfig c = webcam();
    c.capabilities.clear();  // takes only its own default format
    c.accepts = [](int w, int h, uint32_t s) { return w == 640 && h == 480 && s == st::YUY2; };
    auto device = add(c);
    VideoInput& vi = make_vi();
    vi.setFrameRate(0, 15);
    ASSERT_TRUE(vi.openDevice(0, 320, 240));
    ASSERT_TRUE(device->last_format());
    EXPECT_EQ(device->last_format()->width, 640);
    EXPECT_EQ(device->last_format()->frame_time, 666666);
    EXPECT_EQ(vi.widthOf(0), 640);
    ASSERT_TRUE(pass_frames(*device, 1));
    std::vector<uint8_t> frame(static_cast<size_t>(vi.frameBytesOf(0)));
    EXPECT_TRUE(vi.GetPixels(0, frame.data(), false, false)) << "frames match the buffers";
}

TEST_F(CaptureTest, frame_time_travels_with_the_found_size) {
    auto device = add(webcam());
    VideoInput& vi = make_vi();
    vi.setFrameRate(0, 30);
    ASSERT_TRUE(vi.openDevice(0, 160, 120));
    EXPECT_EQ(device->last_format()->width, 160);
    EXPECT_EQ(device->last_format()->frame_time, 333333);
}

TEST_F(CaptureTest, device_without_a_friendly_name_is_not_found_and_its_record_renewed) {
    SimDeviceConfig c = webcam();
    c.friendly_name.reset();
    c.description = "Nameless";
    add(c);
    VideoInput& vi = make_vi();
    size_t mark = out.size();
    EXPECT_EQ(vi.buildGraph(0), BuildResult::device_not_found);
    EXPECT_TRUE(in_order(since(mark), {"ERROR - Could not find specified video device\n",
                                       "\nSETUP: Disconnecting device 0\n",
                                       "SETUP: Device 0 disconnected and freed\n\n"}));
    EXPECT_FALSE(vi.devices[0]->setupBegun);
    EXPECT_EQ(vi.devices[0]->deviceIndex, -1);
}

struct BuildFailure {
    Step step;
    const char* name;
    int after;  // calls that still work first
    const char* message;
    std::vector<std::string> teardown;  // lines that follow, in order
    std::vector<std::string> absent;    // lines the teardown must not print
};

void PrintTo(const BuildFailure& f, std::ostream* os) { *os << f.name << " after " << f.after; }

const std::string kBegin = "\nSETUP: Disconnecting device 0\n";
const std::string kEnd = "SETUP: Device 0 disconnected and freed\n\n";

const BuildFailure kFailures[] = {
    {Step::create_graph, "create_graph", 0, "ERROR - Could not add the graph builder!\n",
     {kBegin, "SETUP: freeing Capture Graph \n", kEnd},
     {"SETUP: freeing Grabber Callback\n", "SETUP: freeing Main Graph \n", "SETUP: freeing Media Type  \n"}},
    {Step::set_filtergraph, "set_filtergraph", 0, "ERROR - Could not set filtergraph\n",
     {kBegin, "SETUP: freeing Capture Graph \n", "SETUP: freeing Main Graph \n", kEnd},
     {"SETUP: freeing Control   \n", "SETUP: removing filter"}},
    {Step::get_media_control, "get_media_control", 0, "ERROR - Could not create the Media Control object\n",
     {kBegin, "SETUP: freeing Capture Graph \n", "SETUP: freeing Main Graph \n", kEnd},
     {"SETUP: freeing Control   \n"}},
    {Step::bind_device, "bind_device", 0, "ERROR - Could not find specified video device\n",
     {kBegin, "SETUP: freeing Control   \n", "SETUP: freeing Capture Graph \n", kEnd},
     {"SETUP: freeing Capture Source \n"}},
    {Step::get_format, "get_format", 0, "ERROR: Couldn't getFormat for pAmMediaType!\n",
     {kBegin, "SETUP: freeing Capture Source \n", "SETUP: freeing Control   \n", "SETUP: freeing Stream  \n",
      "SETUP: removing filter Test Camera...\n", "SETUP: filter removed Test Camera  \n",
      "SETUP: freeing Capture Graph \n", "SETUP: freeing Main Graph \n", kEnd},
     {"SETUP: freeing Grabber Callback\n", "SETUP: freeing Grabber  \n", "SETUP: freeing Media Type  \n"}},
    {Step::create_grabber, "create_grabber", 0, "Could not Create Sample Grabber - CoCreateInstance()\n",
     {kBegin, "SETUP: freeing Capture Source \n", "SETUP: freeing Stream  \n", "SETUP: freeing Media Type  \n", kEnd},
     {"SETUP: freeing Grabber Filter  \n"}},
    {Step::add_filter, "add_filter", 1, "Could not add Sample Grabber - AddFilter()\n",
     {kBegin, "SETUP: freeing Capture Source \n", "SETUP: freeing Grabber Filter  \n", kEnd},
     {"SETUP: removing filter Sample Grabber"}},
    {Step::get_grabber, "get_grabber", 0, "ERROR: Could not query SampleGrabber\n",
     {kBegin, "SETUP: freeing Grabber Filter  \n", "SETUP: removing filter Sample Grabber...\n", kEnd},
     {"SETUP: freeing Grabber  \n", "SETUP: freeing Grabber Callback\n"}},
    {Step::set_callback, "set_callback", 0, "ERROR: problem setting callback\n",
     {kBegin, "SETUP: freeing Grabber Callback\n", "SETUP: freeing Grabber  \n", "SETUP: freeing Stream  \n", kEnd},
     {}},
    {Step::create_renderer, "create_renderer", 0, "ERROR: Could not create filter - NullRenderer\n",
     {kBegin, "SETUP: freeing Grabber Callback\n", "SETUP: freeing Grabber  \n", kEnd},
     {"SETUP: freeing Renderer \n", "SETUP: freeing Stream  \n"}},
    {Step::add_filter, "add_filter", 2, "ERROR: Could not add filter - NullRenderer\n",
     {kBegin, "SETUP: freeing Renderer \n", "SETUP: freeing Capture Source \n", kEnd},
     {"SETUP: removing filter NullRenderer"}},
    {Step::render_stream, "render_stream", 0, "ERROR: Could not connect pins - RenderStream()\n",
     {kBegin, "SETUP: freeing Renderer \n", "SETUP: removing filter NullRenderer...\n", kEnd},
     {}},
    {Step::run, "run", 0, "ERROR: Could not start graph\n",
     // The source still held: everything downstream of it goes first.
     {kBegin, "SETUP: freeing Grabber Callback\n", "SETUP: freeing Capture Source \n",
      "SETUP: removing filter Test Camera...\n", "SETUP: freeing Main Graph \n", kEnd},
     {"SETUP: removing filter Sample Grabber", "SETUP: removing filter NullRenderer"}},
};

class BuildFailureTest : public CaptureTest, public ::testing::WithParamInterface<BuildFailure> {};

TEST_P(BuildFailureTest, failure_prints_its_message_closes_the_device_and_leaves_it_openable) {
    const BuildFailure& f = GetParam();
    auto device = add(webcam());
    VideoInput& vi = make_vi();
    platform->faults().fail(f.step, 1, f.after);
    size_t mark = out.size();
    EXPECT_FALSE(vi.openDevice(0, 320, 240));
    std::string log = since(mark);
    size_t at = log.find(f.message);
    ASSERT_NE(at, std::string::npos) << log;
    std::string teardown = log.substr(at + std::strlen(f.message));
    EXPECT_EQ(teardown.rfind(kBegin, 0), 0u) << "the teardown follows the message at once:\n" << log;
    EXPECT_TRUE(in_order(teardown, f.teardown)) << log;
    for (const auto& line : f.absent) EXPECT_EQ(teardown.find(line), std::string::npos) << line << "\n" << log;
    EXPECT_EQ(log.find("ready to capture"), std::string::npos);
    EXPECT_FALSE(vi.devices[0]->setupBegun) << "a fresh record replaces the failed one";
    EXPECT_EQ(vi.GetPixels(0, false, false), nullptr);
    EXPECT_FALSE(device->streaming());

    EXPECT_TRUE(vi.openDevice(0, 320, 240));
}

// Test names from the failing step, so ctest lists the same names on every run.
std::string failure_name(const ::testing::TestParamInfo<BuildFailure>& info) {
    return std::string(info.param.name) + "_after_" + std::to_string(info.param.after);
}

INSTANTIATE_TEST_SUITE_P(every_step, BuildFailureTest, ::testing::ValuesIn(kFailures), failure_name);

TEST_F(CaptureTest, failed_builder_creation_keeps_the_record_until_closed) {
    add(webcam());
    VideoInput& vi = make_vi();
    platform->faults().fail(Step::create_builder, 1);
    size_t mark = out.size();
    EXPECT_FALSE(vi.openDevice(0, 320, 240));
    EXPECT_EQ(since(mark), "SETUP: Setting up device 0\nERROR - Could not create the Filter Graph Manager\n");
    EXPECT_TRUE(vi.devices[0]->setupBegun);
    EXPECT_TRUE(vi.devices[0]->sizeRequested);
    vi.closeDevice(0);
    EXPECT_EQ(since(mark), kBegin + kEnd);
}

TEST_F(CaptureTest, missing_stream_configuration_is_reported_after_the_preview_probe) {
    add(webcam());
    platform->faults().fail(Step::find_preview_pin);
    platform->faults().fail(Step::find_stream_config);
    VideoInput& vi = make_vi();
    size_t mark = out.size();
    EXPECT_FALSE(vi.openDevice(0, 320, 240));
    EXPECT_TRUE(in_order(since(mark), {"SETUP: Couldn't find preview pin using SmartTee\n",
                                       "ERROR: Couldn't config the stream!\n", kBegin,
                                       "SETUP: removing filter Test Camera...\n", kEnd}));
}

TEST_F(CaptureTest, source_without_preview_pin_is_configured_and_rendered_through_its_capture_pin) {
    auto device = add(webcam());
    platform->faults().fail(Step::find_preview_pin);
    VideoInput& vi = make_vi();
    size_t mark = out.size();
    ASSERT_TRUE(vi.openDevice(0, 320, 240));
    EXPECT_NE(since(mark).find("SETUP: Couldn't find preview pin using SmartTee\n"), std::string::npos);
    EXPECT_TRUE(vi.streamCategory == StreamCategory::capture);
    ASSERT_TRUE(pass_frames(*device, 1));
    std::vector<uint8_t> frame(320 * 240 * 3);
    EXPECT_TRUE(vi.GetPixels(0, frame.data(), false, false));
}

TEST_F(CaptureTest, missing_media_filter_is_reported_and_the_build_goes_on) {
    add(webcam());
    VideoInput& vi = make_vi();
    platform->faults().fail(Step::get_media_filter, 1);
    size_t mark = out.size();
    EXPECT_TRUE(vi.openDevice(0, 320, 240));
    EXPECT_NE(since(mark).find("ERROR: Could not get IID_IMediaFilter interface\n"), std::string::npos);
}

TEST_F(CaptureTest, teardown_of_a_running_device_prints_every_line_in_order) {
    add(webcam());
    VideoInput& vi = make_vi();
    ASSERT_TRUE(vi.openDevice(0, 320, 240));
    size_t mark = out.size();
    vi.closeDevice(0);
    EXPECT_EQ(since(mark), kBegin +
                               "SETUP: freeing Grabber Callback\n"
                               "SETUP: freeing Grabber  \n"
                               "SETUP: freeing Control   \n"
                               "SETUP: freeing Media Type  \n"
                               "SETUP: removing filter Test Camera...\n"
                               "SETUP: filter removed Test Camera  \n"
                               "SETUP: removing filter Sample Grabber...\n"
                               "SETUP: filter removed Sample Grabber  \n"
                               "SETUP: removing filter NullRenderer...\n"
                               "SETUP: filter removed NullRenderer  \n"
                               "SETUP: freeing Capture Graph \n"
                               "SETUP: freeing Main Graph \n" +
                               kEnd);
}

TEST_F(CaptureTest, teardown_reports_failed_pause_stop_and_removal_and_still_finishes) {
    add(webcam());
    VideoInput& vi = make_vi();
    ASSERT_TRUE(vi.openDevice(0, 320, 240));
    platform->faults().fail(Step::pause, 1);
    platform->faults().fail(Step::stop, 1);
    size_t mark = out.size();
    vi.closeDevice(0);
    std::string log = since(mark);
    EXPECT_TRUE(in_order(log, {"ERROR - Could not pause pControl\n", "ERROR - Could not stop pControl\n",
                               "SETUP: removing filter Test Camera...\n", "SETUP: pGraph->RemoveFilter() failed. \n",
                               "SETUP: freeing Main Graph \n", kEnd}))
        << log;
}

TEST_F(CaptureTest, subtype_names_are_written_as_exactly_eight_bytes) {
    VideoInput& vi = make_vi();
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    vi.subtypeName(vi.subtypeY8, buffer);
    EXPECT_STREQ(buffer, "Y8");
    EXPECT_EQ(std::string(buffer + 2, 6), std::string(6, '\0'));
    EXPECT_EQ(buffer[8], 'x');
    vi.subtypeName(st::MJPG, buffer);
    EXPECT_STREQ(buffer, "OTHER");
    vi.subtypeName(vi.subtypeGREY, buffer);
    EXPECT_STREQ(buffer, "GREY");
    vi.subtypeName(st::RGB555, buffer);
    EXPECT_STREQ(buffer, "RGB555");
    EXPECT_EQ(vi.subtypeY8, 0x38590000u);
    EXPECT_EQ(vi.subtypeY800, 0x30303859u);
}

SimDeviceConfig analog_card() {
    SimDeviceConfig c = webcam("Capture Card");
    c.crossbar_inputs = {kTuner, kComposite, kSVideo};
    c.crossbar_outputs = {7, kVideoDecoder};
    c.tv_formats = 0x1 | 0x10;  // NTSC_M, PAL_B
    return c;
}

TEST_F(CaptureTest, crossbar_routes_the_chosen_connector_to_the_decoder_output) {
    auto card = add(analog_card());
    VideoInput& vi = make_vi();
    size_t mark = out.size();
    ASSERT_TRUE(vi.openDevice(0, 320, 240, 1));
    EXPECT_TRUE(in_order(since(mark), {"SETUP: Checking crossbar\n", "SETUP: You are not a webcam! Setting Crossbar\n",
                                       "SETUP: Found Physical Interface - S-Video\n"}));
    ASSERT_EQ(card->routes().size(), 1u);
    EXPECT_EQ(card->routes()[0], std::make_pair(1, 2));

    vi.closeDevice(0);
    ASSERT_TRUE(vi.openDevice(0, 3));  // USB: not on this card
    EXPECT_NE(since(mark).find("SETUP: Didn't find specified Physical Connection type. Using Defualt. \n"),
              std::string::npos);
    EXPECT_EQ(card->routes().size(), 1u);
}

TEST_F(CaptureTest, webcam_needs_no_crossbar) {
    add(webcam());
    VideoInput& vi = make_vi();
    size_t mark = out.size();
    ASSERT_TRUE(vi.openDevice(0, 0));
    EXPECT_NE(since(mark).find("SETUP: You are a webcam or snazzy firewire cam! No Crossbar needed\n"),
              std::string::npos);
}

TEST_F(CaptureTest, analog_standard_is_set_only_on_an_open_decoder_that_offers_it) {
    auto card = add(analog_card());
    add(webcam());
    VideoInput& vi = make_vi();
    EXPECT_FALSE(vi.setAnalogStandard(0, 1)) << "not open";
    ASSERT_TRUE(vi.openDevice(0, 320, 240));
    ASSERT_TRUE(vi.openDevice(1, 320, 240));
    EXPECT_FALSE(vi.setAnalogStandard(0, 18));
    EXPECT_FALSE(vi.setAnalogStandard(20, 1));

    size_t mark = out.size();
    EXPECT_TRUE(vi.setAnalogStandard(0, 1));
    EXPECT_EQ(card->tv_format(), 0x10);
    EXPECT_FALSE(vi.setAnalogStandard(0, 2)) << "PAL_D is not offered";
    EXPECT_EQ(since(mark), "");
    EXPECT_TRUE(vi.devices[0]->standardRequested);
    EXPECT_EQ(vi.devices[0]->analogStandard, 0x20);

    VideoInput::verbose = false;
    EXPECT_FALSE(vi.setAnalogStandard(1, 0));
    EXPECT_EQ(since(mark), "SETUP: couldn't set requested format\n") << "printed even when quiet";
}

TEST_F(CaptureTest, saved_graph_describes_filters_and_connections) {
    add(webcam());
    VideoInput& vi = make_vi();
    ASSERT_TRUE(vi.openDevice(0, 320, 240));
    test_support::TempDir dir;
    EXPECT_TRUE(vi.saveGraph(vi.devices[0]->pGraph.get(), dir.file("graph.txt")));
    std::string text = test_support::read_file(dir.file("graph.txt"));
    EXPECT_TRUE(in_order(text, {"filter \"Test Camera\"\n", "output pin \"Preview\" -> \"Sample Grabber\" pin \"Input\"\n",
                                "filter \"Sample Grabber\"\n", "output pin \"Output\" -> \"NullRenderer\" pin \"In\"\n",
                                "filter \"NullRenderer\"\n"}))
        << text;
    EXPECT_FALSE(vi.saveGraph(vi.devices[0]->pGraph.get(), dir.file("missing/graph.txt")));
}

}  // namespace
}  // namespace capture_test
