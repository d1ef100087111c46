#include "tests/capture/fake_v4l2.h"

#include <poll.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace capture_test {
namespace {

void copy_text(uint8_t* field, size_t size, const std::string& text) {
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(size - 1, text.size()));
}

bool is_planar(uint32_t pf) {
    return pf == V4L2_PIX_FMT_YUV420 || pf == V4L2_PIX_FMT_YVU420 || pf == V4L2_PIX_FMT_NV12;
}

// The sysfs path of the USB interface a camera in `port` has, nested under its hubs.
std::string usb_interface(const std::string& port) {
    std::string path = "/sys/devices/pci0000:00/0000:00:14.0/usb1";
    std::string device = "1";
    for (size_t start = 0; start <= port.size();) {
        const size_t dot = std::min(port.find('.', start), port.size());
        device += (start == 0 ? "-" : ".") + port.substr(start, dot - start);
        path += "/" + device;
        start = dot + 1;
    }
    return path + "/" + device + ":1.0";
}

}  // namespace

int line_bytes(uint32_t pixel_format, int width) {
    switch (pixel_format) {
        case V4L2_PIX_FMT_BGR24:
        case V4L2_PIX_FMT_RGB24:
            return width * 3;
        case V4L2_PIX_FMT_YUYV:
        case V4L2_PIX_FMT_UYVY:
            return width * 2;
        default:
            return width;
    }
}

std::vector<uint8_t> jpeg_picture(int width, int height) {
    std::vector<uint8_t> bgr(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = bgr.data() +
                         (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
            p[0] = x < width / 2 ? 0 : 255;
            p[1] = 0;
            p[2] = x < width / 2 ? 255 : 0;
        }
    }
    return bgr;
}

std::vector<uint8_t> jpeg_bytes(const std::vector<uint8_t>& bgr, int width, int height) {
    tjhandle compressor = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    std::vector<uint8_t> bytes;
    if (tjCompress2(compressor, bgr.data(), width, width * 3, height, TJPF_BGR, &jpeg, &size, TJSAMP_422, 95,
                    0) == 0)
        bytes.assign(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(compressor);
    return bytes;
}

size_t paint_fake_pattern(uint64_t index, uint32_t pixel_format, int width, int height, int stride,
                          uint8_t* data, size_t capacity) {
    if (pixel_format == V4L2_PIX_FMT_MJPEG) {
        const std::vector<uint8_t> jpeg = jpeg_bytes(jpeg_picture(width, height), width, height);
        const size_t used = std::min(jpeg.size(), capacity);
        std::memcpy(data, jpeg.data(), used);
        return used;
    }
    const int pixels = line_bytes(pixel_format, width);
    const int lines = is_planar(pixel_format) ? height * 3 / 2 : height;
    for (int y = 0; y < lines; ++y) {
        uint8_t* line = data + static_cast<size_t>(y) * static_cast<size_t>(stride);
        for (int x = 0; x < stride; ++x)
            line[x] = x < pixels ? static_cast<uint8_t>((x + 3 * y + 11 * index) & 0xFF) : 0xEE;
    }
    return static_cast<size_t>(lines) * static_cast<size_t>(stride);
}

std::string FakeV4l2::by_path(const FakeCameraConfig& config) {
    return "/dev/v4l/by-path/pci-0000:00:14.0-usb-0:" + config.port + ":1.0-video-index" +
           std::to_string(config.index);
}

void FakeV4l2::add_camera(const std::string& path, FakeCameraConfig config) {
    std::lock_guard lock(mutex_);
    Camera c;
    c.pixel_format = config.pixel_format;
    c.width = config.width;
    c.height = config.height;
    c.config = std::move(config);
    cameras_[path] = std::move(c);
}

FakeV4l2::Camera& FakeV4l2::camera(const std::string& path) { return cameras_.at(path); }
const FakeV4l2::Camera& FakeV4l2::camera(const std::string& path) const { return cameras_.at(path); }

FakeV4l2::Camera* FakeV4l2::camera_of(int fd) {
    auto it = descriptors_.find(fd);
    return it == descriptors_.end() ? nullptr : &cameras_.at(it->second);
}

void FakeV4l2::fail_open(const std::string& path, int error) {
    std::lock_guard lock(mutex_);
    camera(path).open_error = error;
}

void FakeV4l2::fail_ioctl(const std::string& path, unsigned long request, int error, int times) {
    std::lock_guard lock(mutex_);
    camera(path).failures[request] = Failure{error, times};
}

void FakeV4l2::deliver(const std::string& path, int frames) {
    {
        std::lock_guard lock(mutex_);
        camera(path).permits += frames;
    }
    changed_.notify_all();
}

void FakeV4l2::unplug(const std::string& path) {
    {
        std::lock_guard lock(mutex_);
        camera(path).unplugged = true;
    }
    changed_.notify_all();
}

void FakeV4l2::hold_queue(const std::string& path) {
    std::lock_guard lock(mutex_);
    camera(path).queue_owner = -2;
}

void FakeV4l2::release_queue(const std::string& path) {
    std::lock_guard lock(mutex_);
    Camera& c = camera(path);
    if (c.queue_owner == -2) c.queue_owner = -1;
}

int FakeV4l2::open_descriptors() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(descriptors_.size());
}

int FakeV4l2::mapped_buffers() const {
    std::lock_guard lock(mutex_);
    return mapped_;
}

int FakeV4l2::opens(const std::string& path) const {
    std::lock_guard lock(mutex_);
    return camera(path).opens;
}

bool FakeV4l2::streaming(const std::string& path) const {
    std::lock_guard lock(mutex_);
    return camera(path).streaming;
}

size_t FakeV4l2::buffers(const std::string& path) const {
    std::lock_guard lock(mutex_);
    return camera(path).buffers.size();
}

std::tuple<uint32_t, int, int> FakeV4l2::format(const std::string& path) const {
    std::lock_guard lock(mutex_);
    const Camera& c = camera(path);
    return {c.pixel_format, c.width, c.height};
}

v4l2_fract FakeV4l2::time_per_frame(const std::string& path) const {
    std::lock_guard lock(mutex_);
    return camera(path).time_per_frame;
}

int32_t FakeV4l2::control(const std::string& path, uint32_t id) const {
    std::lock_guard lock(mutex_);
    return camera(path).config.controls.at(id).value;
}

int FakeV4l2::calls(const std::string& path, unsigned long request) const {
    std::lock_guard lock(mutex_);
    const auto& calls = camera(path).calls;
    auto it = calls.find(request);
    return it == calls.end() ? 0 : it->second;
}

std::vector<capture::V4l2NodeInfo> FakeV4l2::video_nodes() {
    std::lock_guard lock(mutex_);
    std::vector<capture::V4l2NodeInfo> nodes;
    for (const auto& [path, c] : cameras_) {
        if (c.unplugged) continue;
        const std::string device = c.config.port.empty() ? "" : usb_interface(c.config.port);
        nodes.push_back(capture::V4l2NodeInfo{path, c.config.card, c.config.index, device});
    }
    return nodes;
}

std::string FakeV4l2::resolve(const std::string& path) {
    std::lock_guard lock(mutex_);
    for (const auto& [node, c] : cameras_) {
        if (!c.unplugged && (path == node || (!c.config.port.empty() && path == by_path(c.config))))
            return node;
    }
    return "";
}

int FakeV4l2::open(const std::string& path) {
    std::lock_guard lock(mutex_);
    auto it = cameras_.find(path);
    if (it == cameras_.end() || it->second.unplugged) return -ENOENT;
    ++it->second.opens;
    if (it->second.open_error) return -it->second.open_error;
    descriptors_[next_fd_] = path;
    return next_fd_++;
}

int FakeV4l2::close(int fd) {
    std::lock_guard lock(mutex_);
    Camera* c = camera_of(fd);
    if (!c) return -EBADF;
    if (c->queue_owner == fd) {
        // Closing the queue's owner ends its stream, as the kernel does.
        c->streaming = false;
        c->queue_owner = -1;
        c->buffers.clear();
    }
    descriptors_.erase(fd);
    return 0;
}

void FakeV4l2::fill_format(const Camera& c, v4l2_pix_format& pix) const {
    pix.pixelformat = c.pixel_format;
    pix.width = static_cast<uint32_t>(c.width);
    pix.height = static_cast<uint32_t>(c.height);
    pix.field = V4L2_FIELD_NONE;
    const bool compressed = c.pixel_format == V4L2_PIX_FMT_MJPEG;
    pix.bytesperline =
        compressed ? 0 : static_cast<uint32_t>(line_bytes(c.pixel_format, c.width) + c.config.line_padding);
    const int lines = is_planar(c.pixel_format) ? c.height * 3 / 2 : c.height;
    pix.sizeimage = compressed ? static_cast<uint32_t>(c.width * c.height * 3)
                               : pix.bytesperline * static_cast<uint32_t>(lines);
}

int FakeV4l2::ioctl(int fd, unsigned long request, void* arg) {
    int result = 0;
    {
        std::lock_guard lock(mutex_);
        Camera* c = camera_of(fd);
        if (!c) return -EBADF;
        ++c->calls[request];
        if (c->unplugged) return -ENODEV;
        if (auto it = c->failures.find(request); it != c->failures.end() && it->second.remaining != 0) {
            if (it->second.remaining > 0) --it->second.remaining;
            return -it->second.error;
        }
        result = handle(*c, fd, request, arg);
    }
    changed_.notify_all();
    return result;
}

int FakeV4l2::handle(Camera& c, int fd, unsigned long request, void* arg) {
    const std::vector<FakeFormat>& formats = c.config.formats;
    switch (request) {
        case VIDIOC_QUERYCAP: {
            auto* cap = static_cast<v4l2_capability*>(arg);
            *cap = v4l2_capability{};
            copy_text(cap->driver, sizeof cap->driver, c.config.driver);
            copy_text(cap->card, sizeof cap->card, c.config.card);
            copy_text(cap->bus_info, sizeof cap->bus_info, "usb-0000:00:14.0-" + c.config.port);
            cap->device_caps = c.config.device_caps;
            cap->capabilities = c.config.device_caps | V4L2_CAP_DEVICE_CAPS;
            return 0;
        }
        case VIDIOC_ENUM_FMT: {
            auto* d = static_cast<v4l2_fmtdesc*>(arg);
            if (d->type != V4L2_BUF_TYPE_VIDEO_CAPTURE || d->index >= formats.size()) return -EINVAL;
            d->pixelformat = formats[d->index].pixel_format;
            return 0;
        }
        case VIDIOC_ENUM_FRAMESIZES: {
            auto* s = static_cast<v4l2_frmsizeenum*>(arg);
            for (const FakeFormat& f : formats) {
                if (f.pixel_format != s->pixel_format) continue;
                if (f.range) {
                    if (s->index != 0) return -EINVAL;
                    const auto& r = *f.range;
                    s->type = r.continuous ? V4L2_FRMSIZE_TYPE_CONTINUOUS : V4L2_FRMSIZE_TYPE_STEPWISE;
                    s->stepwise = v4l2_frmsize_stepwise{
                        static_cast<uint32_t>(r.min_width),  static_cast<uint32_t>(r.max_width),
                        static_cast<uint32_t>(r.step_width), static_cast<uint32_t>(r.min_height),
                        static_cast<uint32_t>(r.max_height), static_cast<uint32_t>(r.step_height)};
                    return 0;
                }
                if (s->index >= f.sizes.size()) return -EINVAL;
                s->type = V4L2_FRMSIZE_TYPE_DISCRETE;
                s->discrete.width = static_cast<uint32_t>(f.sizes[s->index].first);
                s->discrete.height = static_cast<uint32_t>(f.sizes[s->index].second);
                return 0;
            }
            return -EINVAL;
        }
        case VIDIOC_G_FMT: {
            auto* f = static_cast<v4l2_format*>(arg);
            if (f->type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return -EINVAL;
            fill_format(c, f->fmt.pix);
            return 0;
        }
        case VIDIOC_S_FMT: {
            auto* f = static_cast<v4l2_format*>(arg);
            if (f->type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return -EINVAL;
            if (c.queue_owner != -1) return -EBUSY;
            // As drivers do: an unknown format becomes the first one, the size the nearest offered.
            if (formats.empty()) return -EINVAL;
            auto chosen = std::find_if(formats.begin(), formats.end(), [&](const FakeFormat& x) {
                return x.pixel_format == f->fmt.pix.pixelformat;
            });
            if (chosen == formats.end()) chosen = formats.begin();
            const int w = static_cast<int>(f->fmt.pix.width);
            const int h = static_cast<int>(f->fmt.pix.height);
            int best_w = c.width, best_h = c.height;
            if (chosen->range) {
                const auto& r = *chosen->range;
                auto snap = [&](int v, int lo, int hi, int step) {
                    if (r.continuous) step = 1;
                    v = std::clamp(v, lo, hi);
                    return lo + (v - lo + step / 2) / step * step;
                };
                best_w = snap(w, r.min_width, r.max_width, r.step_width);
                best_h = snap(h, r.min_height, r.max_height, r.step_height);
            } else {
                int best = -1;
                for (auto [sw, sh] : chosen->sizes) {
                    const int d = std::abs(sw - w) + std::abs(sh - h);
                    if (best < 0 || d < best) {
                        best = d;
                        best_w = sw;
                        best_h = sh;
                    }
                }
            }
            c.pixel_format = chosen->pixel_format;
            c.width = best_w;
            c.height = best_h;
            fill_format(c, f->fmt.pix);
            return 0;
        }
        case VIDIOC_G_PARM:
        case VIDIOC_S_PARM: {
            auto* p = static_cast<v4l2_streamparm*>(arg);
            if (p->type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return -EINVAL;
            if (!c.config.time_per_frame) {
                p->parm.capture = v4l2_captureparm{};
                return request == VIDIOC_G_PARM ? 0 : -EINVAL;
            }
            if (request == VIDIOC_S_PARM && p->parm.capture.timeperframe.denominator != 0)
                c.time_per_frame = p->parm.capture.timeperframe;
            p->parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
            p->parm.capture.timeperframe = c.time_per_frame;
            return 0;
        }
        case VIDIOC_REQBUFS: {
            auto* r = static_cast<v4l2_requestbuffers*>(arg);
            if (r->memory != V4L2_MEMORY_MMAP) return -EINVAL;
            if (c.queue_owner != -1 && c.queue_owner != fd) return -EBUSY;
            if (c.streaming) return -EBUSY;
            // Buffers still mapped can't be freed (the kernel says EBUSY too).
            if (c.mapped > 0) return -EBUSY;
            if (r->count == 0) {
                c.buffers.clear();
                c.queue_owner = -1;
                return 0;
            }
            v4l2_pix_format pix{};
            fill_format(c, pix);
            r->count = std::min(r->count, c.config.max_buffers);
            c.buffers.clear();
            for (uint32_t i = 0; i < r->count; ++i) {
                auto b = std::make_unique<Buffer>();
                b->data.resize(pix.sizeimage);
                c.buffers.push_back(std::move(b));
            }
            c.queue_owner = fd;
            return 0;
        }
        case VIDIOC_QUERYBUF:
        case VIDIOC_QBUF:
        case VIDIOC_DQBUF:
            return handle_buffer(c, fd, request, *static_cast<v4l2_buffer*>(arg));
        case VIDIOC_STREAMON:
        case VIDIOC_STREAMOFF:
            if (c.queue_owner != fd) return -EBUSY;
            if (request == VIDIOC_STREAMON && c.config.no_bandwidth_for_raw &&
                c.pixel_format != V4L2_PIX_FMT_MJPEG)
                return -ENOSPC;
            c.streaming = request == VIDIOC_STREAMON;
            if (!c.streaming) {
                for (auto& b : c.buffers) b->queued = false;
            }
            return 0;
        case VIDIOC_QUERYCTRL: {
            auto* q = static_cast<v4l2_queryctrl*>(arg);
            auto it = c.config.controls.find(q->id);
            if (it == c.config.controls.end()) return -EINVAL;
            q->type = it->second.type;
            q->minimum = it->second.minimum;
            q->maximum = it->second.maximum;
            q->step = it->second.step;
            q->default_value = it->second.default_value;
            q->flags = c.config.disabled_controls.count(q->id) ? V4L2_CTRL_FLAG_DISABLED : 0;
            return 0;
        }
        case VIDIOC_G_CTRL:
        case VIDIOC_S_CTRL: {
            auto* v = static_cast<v4l2_control*>(arg);
            auto it = c.config.controls.find(v->id);
            if (it == c.config.controls.end()) return -EINVAL;
            FakeControl& control = it->second;
            if (request == VIDIOC_G_CTRL) {
                v->value = control.value;
                return 0;
            }
            if (v->value < control.minimum || v->value > control.maximum) return -ERANGE;
            const auto& refused = control.refused_values;
            if (std::find(refused.begin(), refused.end(), v->value) != refused.end()) return -EINVAL;
            control.value = v->value;
            return 0;
        }
        default:
            return -ENOTTY;
    }
}

int FakeV4l2::handle_buffer(Camera& c, int fd, unsigned long request, v4l2_buffer& b) {
    if (b.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || b.memory != V4L2_MEMORY_MMAP) return -EINVAL;
    if (c.queue_owner != fd) return -EBUSY;
    if (request == VIDIOC_DQBUF) {
        if (!c.streaming) return -EINVAL;
        auto it = std::find_if(c.buffers.begin(), c.buffers.end(), [](const auto& x) { return x->queued; });
        if (it == c.buffers.end() || c.permits == 0) return -EAGAIN;
        --c.permits;
        Buffer& buffer = **it;
        v4l2_pix_format pix{};
        fill_format(c, pix);
        const int stride =
            pix.bytesperline ? static_cast<int>(pix.bytesperline) : line_bytes(c.pixel_format, c.width);
        const size_t used = c.config.painter(c.frames, c.pixel_format, c.width, c.height, stride,
                                             buffer.data.data(), buffer.data.size());
        buffer.queued = false;
        b.index = static_cast<uint32_t>(it - c.buffers.begin());
        b.bytesused = static_cast<uint32_t>(std::min(used, buffer.data.size()));
        b.flags = V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC;
        if (c.config.flagged_frames.count(c.frames)) b.flags |= V4L2_BUF_FLAG_ERROR;
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        b.timestamp.tv_sec = now.tv_sec;
        b.timestamp.tv_usec = now.tv_nsec / 1000;
        ++c.frames;
        return 0;
    }
    if (b.index >= c.buffers.size()) return -EINVAL;
    Buffer& buffer = *c.buffers[b.index];
    if (request == VIDIOC_QUERYBUF) {
        b.length = static_cast<uint32_t>(buffer.data.size());
        b.m.offset = b.index * 0x100000u;
        return 0;
    }
    if (buffer.queued) return -EINVAL;
    buffer.queued = true;
    return 0;
}

int FakeV4l2::mmap(int fd, size_t length, int64_t offset, void** address) {
    std::lock_guard lock(mutex_);
    Camera* c = camera_of(fd);
    if (!c) return -EBADF;
    if (c->unplugged) return -ENODEV;
    const auto index = static_cast<size_t>(offset / 0x100000);
    if (c->queue_owner != fd || index >= c->buffers.size() || length > c->buffers[index]->data.size())
        return -EINVAL;
    *address = c->buffers[index]->data.data();
    ++c->mapped;
    ++mapped_;
    return 0;
}

int FakeV4l2::munmap(void* address, size_t) {
    std::lock_guard lock(mutex_);
    for (auto& [path, c] : cameras_) {
        for (const auto& b : c.buffers) {
            if (b->data.data() != address || c.mapped == 0) continue;
            --c.mapped;
            --mapped_;
            return 0;
        }
    }
    return -EINVAL;
}

int FakeV4l2::poll(int fd, int timeout_ms) {
    std::unique_lock lock(mutex_);
    Camera* c = camera_of(fd);
    if (!c) return -EBADF;
    auto ready = [&] {
        if (c->unplugged) return true;
        const bool queued =
            std::any_of(c->buffers.begin(), c->buffers.end(), [](const auto& b) { return b->queued; });
        return c->streaming && c->permits > 0 && queued;
    };
    if (!changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), ready)) return 0;
    return c->unplugged ? POLLERR | POLLHUP : POLLIN;
}

}  // namespace capture_test
