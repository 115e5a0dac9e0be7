#include "tests/usb_camera/usb_camera_emulator.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "tests/usb_camera/camera_scene.h"
#include "tests/usb_camera/coded_picture.h"

namespace vantora::testing {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kMaxBuffers = 32;
constexpr long kPage = 4096;

// A frame that stays the same while its scene does, made once.
struct StillFrame {
  CameraScene scene;
  std::uint32_t fourcc = 0;
  int width = 0, height = 0;
  std::vector<std::uint8_t> bytes;
};

bool IsStill(const CameraScene& scene) {
  return scene.background == CameraScene::Background::kPlain && !scene.Moves();
}

// What the camera sends for frame `code` of `scene`.
std::vector<std::uint8_t> Picture(const CameraScene& scene, std::uint32_t code, std::uint32_t fourcc, int width,
                                  int height) {
  std::vector<std::uint8_t> picture;
  if (scene == CameraScene{}) {  // the coded picture alone, made without the detour
    if (fourcc == V4L2_PIX_FMT_MJPEG) return RenderJpeg(code, width, height);
    picture.resize(static_cast<std::size_t>(width) * height * 2);
    RenderYuyv(code, width, height, picture.data());
    return picture;
  }
  const RgbPicture rgb = RenderScene(scene, code, width, height);
  if (fourcc == V4L2_PIX_FMT_MJPEG) return EncodeJpeg(rgb);
  picture.resize(static_cast<std::size_t>(width) * height * 2);
  EncodeYuyv(rgb, picture.data());
  return picture;
}

struct Buffer {
  enum class Where { kApplication, kQueued, kFilling, kDone };
  Where where = Where::kApplication;
  std::uint32_t offset = 0, length = 0, bytesused = 0, sequence = 0;
  timeval stamp{};
  std::uint64_t done_order = 0;
};

}  // namespace

struct Camera;

// One device node as umockdev serves it. A node outlives its camera's
// unplugging while descriptors on it are open: they get ENODEV.
struct Node {
  UsbCameraEmulator::Impl* emulator = nullptr;
  Camera* camera = nullptr;
  int number = 0;
  bool metadata = false;
  bool gone = false;
  std::vector<UMockdevIoctlClient*> clients;  // every descriptor opened on it, referenced
  int fifo = -1;  // the emulator's end of the frame FIFO (capture nodes)
  UMockdevIoctlBase* handler = nullptr;
};

struct Camera {
  int index = 0;
  UsbCameraSetup setup;
  bool present = false;
  Node* capture = nullptr;
  Node* meta = nullptr;
  int pixels = -1;  // the node file the station maps
  // format and stream
  std::uint32_t fourcc = 0;
  int width = 0, height = 0;
  FrameInterval interval;
  std::vector<Buffer> buffers;
  UMockdevIoctlClient* owner = nullptr;
  bool streaming = false;
  std::uint64_t generation = 0, done_counter = 0;
  Clock::time_point next_due;
  std::uint64_t frames = 0;
  std::uint32_t next_code = 0, last_code = 0;
  // the picture
  CameraScene scene;
  std::uint32_t scene_from = 0;  // the first frame number sent of it
  std::shared_ptr<const StillFrame> still;
  // faults
  UsbCameraFault fault = UsbCameraFault::kNone;
  int vanish_after = 0;
};

struct UsbCameraEmulator::Impl {
  UMockdevTestbed* testbed = nullptr;
  std::string root;
  mutable std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::unique_ptr<Camera>> cameras;
  std::vector<std::unique_ptr<Node>> nodes;
  bool stopping = false;
  std::thread frames;

  // --- devices ------------------------------------------------------------
  static std::string UsbPath(const Camera& c) {
    return "/devices/pci0000:00/0000:00:14.0/usb1/1-" + c.setup.usb_port;
  }
  static std::string InterfacePath(const Camera& c) {
    return UsbPath(c) + "/1-" + c.setup.usb_port + ":1.0";
  }
  static std::string NodePath(const Camera& c, const Node& n) {
    return InterfacePath(c) + "/video4linux/video" + std::to_string(n.number);
  }

  // The lowest number no present node has and no open descriptor holds.
  int FreeNumber() {
    for (int number = 0;; ++number) {
      bool taken = std::any_of(nodes.begin(), nodes.end(), [&](const auto& n) {
        return n->number == number && (!n->gone || OpenCount(*n) > 0);
      });
      if (!taken) return number;
    }
  }

  Node* NewNode(Camera& c, bool metadata) {
    const int number = FreeNumber();
    nodes.push_back(std::make_unique<Node>());
    Node* n = nodes.back().get();
    n->emulator = this;
    n->camera = &c;
    n->metadata = metadata;
    n->number = number;
    return n;
  }

  std::string Describe(const Camera& c, const Node& n) const {
    const std::string number = std::to_string(n.number);
    return "P: " + NodePath(c, n) + "\nN: video" + number + "=00\nE: DEVNAME=/dev/video" + number +
           "\nE: SUBSYSTEM=video4linux\nE: MAJOR=81\nE: MINOR=" + number +
           "\nE: ID_V4L_VERSION=2\nE: ID_V4L_PRODUCT=" + c.setup.name +
           "\nE: ID_V4L_CAPABILITIES=" + (n.metadata ? ":" : ":capture:") +
           "\nE: ID_BUS=usb\nE: ID_PATH=pci-0000:00:14.0-usb-0:" + c.setup.usb_port +
           ":1.0\nA: name=" + c.setup.name + "\nA: index=" + (n.metadata ? "1" : "0") +
           "\nA: dev=81:" + number + "\n\n";
  }

  void PlugIn(Camera& c) {
    c.capture = NewNode(c, false);
    c.meta = NewNode(c, true);
    const std::string description =
        "P: " + UsbPath(c) + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: product=" + c.setup.name +
        "\nA: busnum=1\nA: devnum=" + std::to_string(c.index + 2) + "\n\nP: " + InterfacePath(c) +
        "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nE: DRIVER=uvcvideo\nA: bInterfaceClass=0e\n\n" +
        Describe(c, *c.capture) + Describe(c, *c.meta);
    c.frames = 0;
    c.fourcc = 0;
    c.buffers.clear();
    c.owner = nullptr;
    const std::string fifo = root + "/frames/video" + std::to_string(c.capture->number);
    ::unlink(fifo.c_str());
    if (::mkfifo(fifo.c_str(), 0600) != 0) throw std::runtime_error("cannot make " + fifo);
    c.capture->fifo = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    // Handlers and FIFO are there before the device: adding it announces
    // it, and whoever hears of it opens the node at once.
    for (Node* n : {c.capture, c.meta}) Attach(*n);
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed, description.c_str(), &error)) {
      std::string why = error ? error->message : "unknown";
      g_clear_error(&error);
      throw std::runtime_error("cannot add the emulated camera: " + why);
    }
    const std::string dev = root + "/dev/video" + std::to_string(c.capture->number);
    c.pixels = ::open(dev.c_str(), O_RDWR | O_CLOEXEC);
    if (c.pixels < 0) throw std::runtime_error("cannot open the emulated node " + dev);
    c.present = true;
  }

  void Attach(Node& n) {
    n.handler = umockdev_ioctl_base_new();
    g_signal_connect(n.handler, "handle-ioctl", G_CALLBACK(OnIoctl), &n);
    g_signal_connect(n.handler, "client-connected", G_CALLBACK(OnConnected), &n);
    GError* error = nullptr;
    const std::string dev = "/dev/video" + std::to_string(n.number);
    if (!umockdev_testbed_attach_ioctl(testbed, dev.c_str(), n.handler, &error)) {
      std::string why = error ? error->message : "unknown";
      g_clear_error(&error);
      throw std::runtime_error("cannot emulate " + dev + ": " + why);
    }
  }

  // Caller holds the lock.
  void Vanish(Camera& c) {
    if (!c.present) return;
    c.present = false;
    c.streaming = false;
    ++c.generation;
    for (Node* n : {c.meta, c.capture}) {
      n->gone = true;
      umockdev_testbed_uevent(testbed, ("/sys" + NodePath(c, *n)).c_str(), "remove");
    }
    // Wakes a reader that waits for a frame: its next call finds the device gone.
    if (c.capture->fifo >= 0) (void)!::write(c.capture->fifo, "x", 1);
    for (Node* n : {c.meta, c.capture}) {
      // Descriptors already open keep their connection to the handler (and
      // get ENODEV); a node of that number plugged later gets a handler of its own.
      umockdev_testbed_detach_ioctl(testbed, ("/dev/video" + std::to_string(n->number)).c_str(), nullptr);
      umockdev_testbed_remove_device(testbed, ("/sys" + NodePath(c, *n)).c_str());
    }
    umockdev_testbed_remove_device(testbed, ("/sys" + InterfacePath(c)).c_str());
    umockdev_testbed_remove_device(testbed, ("/sys" + UsbPath(c)).c_str());
    ::close(c.pixels);
    c.pixels = -1;
    c.buffers.clear();
    c.owner = nullptr;
  }

  // --- ioctls -------------------------------------------------------------
  // umockdev tells of each descriptor opened on a node but not of its
  // closing; a client whose connection has closed is a closed descriptor.
  static void OnConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
    auto* n = static_cast<Node*>(data);
    std::lock_guard lock(n->emulator->mutex);
    n->emulator->OpenCount(*n);  // forgets the closed ones, so the list stays short
    n->clients.push_back(static_cast<UMockdevIoctlClient*>(g_object_ref(client)));
  }

  // Closing the descriptor that owns the buffers frees them, as the kernel does.
  static void ForgetClosedOwner(Camera& c) {
    if (c.owner && !umockdev_ioctl_client_get_connected(c.owner)) {
      c.owner = nullptr;
      c.streaming = false;
      c.buffers.clear();
      ++c.generation;
    }
  }

  int OpenCount(Node& n) {
    if (!n.gone) ForgetClosedOwner(*n.camera);
    std::erase_if(n.clients, [&](UMockdevIoctlClient* client) {
      if (umockdev_ioctl_client_get_connected(client) || (!n.gone && client == n.camera->owner)) return false;
      g_object_unref(client);
      return true;
    });
    if (n.gone && n.clients.empty() && n.fifo >= 0) {
      ::close(n.fifo);
      n.fifo = -1;
    }
    return static_cast<int>(n.clients.size());
  }

  static gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
    auto* n = static_cast<Node*>(data);
    int error = 0;
    {
      std::lock_guard lock(n->emulator->mutex);
      error = n->gone ? ENODEV : n->emulator->Answer(*n, client);
    }
    n->emulator->changed.notify_all();
    umockdev_ioctl_client_complete(client, error ? -1 : 0, error);
    return TRUE;
  }

  // Reads the argument of the size the request names, lets `fill` change it,
  // and writes it back; returns what `fill` returned (an errno, or 0).
  template <typename T, typename Fn>
  static int With(UMockdevIoctlClient* client, Fn fill) {
    GError* error = nullptr;
    UMockdevIoctlData* data =
        umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, sizeof(T), &error);
    if (!data) {
      g_clear_error(&error);
      return EFAULT;
    }
    T value;
    std::memcpy(&value, data->data, sizeof(T));
    int result = fill(value);
    if (result == 0) umockdev_ioctl_data_update(data, 0, reinterpret_cast<guint8*>(&value), sizeof(T));
    g_object_unref(data);
    return result;
  }

  int Answer(Node& n, UMockdevIoctlClient* client) {
    Camera& c = *n.camera;
    ForgetClosedOwner(c);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    if (request == VIDIOC_QUERYCAP) {
      return With<v4l2_capability>(client, [&](v4l2_capability& cap) {
        std::memset(&cap, 0, sizeof cap);
        std::snprintf(reinterpret_cast<char*>(cap.driver), sizeof cap.driver, "uvcvideo");
        std::snprintf(reinterpret_cast<char*>(cap.card), sizeof cap.card, "%s", c.setup.name.c_str());
        std::snprintf(reinterpret_cast<char*>(cap.bus_info), sizeof cap.bus_info, "usb-0000:00:14.0-%s",
                      c.setup.usb_port.c_str());
        cap.version = (6u << 16) | (1u << 8);
        cap.capabilities = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING |
                           V4L2_CAP_EXT_PIX_FORMAT | V4L2_CAP_DEVICE_CAPS;
        cap.device_caps = n.metadata ? V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING
                                     : V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING | V4L2_CAP_EXT_PIX_FORMAT;
        return 0;
      });
    }
    if (n.metadata) return ENOTTY;
    switch (request) {
      case VIDIOC_ENUM_FMT: return With<v4l2_fmtdesc>(client, [&](v4l2_fmtdesc& f) { return EnumFormat(c, f); });
      case VIDIOC_ENUM_FRAMESIZES:
        return With<v4l2_frmsizeenum>(client, [&](v4l2_frmsizeenum& f) { return EnumSize(c, f); });
      case VIDIOC_ENUM_FRAMEINTERVALS:
        return With<v4l2_frmivalenum>(client, [&](v4l2_frmivalenum& f) { return EnumInterval(c, f); });
      case VIDIOC_G_FMT:
      case VIDIOC_TRY_FMT:
      case VIDIOC_S_FMT:
        return With<v4l2_format>(client, [&](v4l2_format& f) { return Format(c, client, request, f); });
      case VIDIOC_G_PARM:
      case VIDIOC_S_PARM:
        return With<v4l2_streamparm>(client, [&](v4l2_streamparm& p) { return Rate(c, request, p); });
      case VIDIOC_REQBUFS:
        return With<v4l2_requestbuffers>(client, [&](v4l2_requestbuffers& r) { return Request(c, client, r); });
      case VIDIOC_QUERYBUF:
      case VIDIOC_QBUF:
      case VIDIOC_DQBUF:
        return With<v4l2_buffer>(client, [&](v4l2_buffer& b) { return BufferCall(c, client, request, b); });
      case VIDIOC_STREAMON:
      case VIDIOC_STREAMOFF:
        return Stream(c, client, request == VIDIOC_STREAMON);
      case VIDIOC_ENUMINPUT:
        return With<v4l2_input>(client, [&](v4l2_input& in) {
          if (in.index != 0) return EINVAL;
          std::memset(&in, 0, sizeof in);
          std::snprintf(reinterpret_cast<char*>(in.name), sizeof in.name, "Camera 1");
          in.type = V4L2_INPUT_TYPE_CAMERA;
          return 0;
        });
      case VIDIOC_G_INPUT: return With<int>(client, [](int& i) { return i = 0, 0; });
      case VIDIOC_S_INPUT: return With<int>(client, [](int& i) { return i == 0 ? 0 : EINVAL; });
      case VIDIOC_QUERYCTRL:
      case VIDIOC_QUERY_EXT_CTRL:
      case VIDIOC_QUERYMENU:
        return EINVAL;  // no controls
      default:
        return ENOTTY;
    }
  }

  static std::vector<std::uint32_t> Fourccs(const Camera& c) {
    std::vector<std::uint32_t> list;
    for (const auto& m : c.setup.modes) {
      if (std::find(list.begin(), list.end(), m.fourcc) == list.end()) list.push_back(m.fourcc);
    }
    return list;
  }

  static int EnumFormat(const Camera& c, v4l2_fmtdesc& f) {
    auto list = Fourccs(c);
    if (f.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || f.index >= list.size()) return EINVAL;
    const std::uint32_t fourcc = list[f.index];
    const std::uint32_t index = f.index;
    std::memset(&f, 0, sizeof f);
    f.index = index;
    f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    f.pixelformat = fourcc;
    f.flags = fourcc == V4L2_PIX_FMT_YUYV ? 0 : V4L2_FMT_FLAG_COMPRESSED;
    const char* name = fourcc == V4L2_PIX_FMT_YUYV ? "YUYV 4:2:2" : fourcc == V4L2_PIX_FMT_MJPEG ? "Motion-JPEG" : "H.264";
    std::snprintf(reinterpret_cast<char*>(f.description), sizeof f.description, "%s", name);
    return 0;
  }

  static int EnumSize(const Camera& c, v4l2_frmsizeenum& f) {
    std::uint32_t seen = 0;
    for (const auto& m : c.setup.modes) {
      if (m.fourcc != f.pixel_format || seen++ != f.index) continue;
      f.type = V4L2_FRMSIZE_TYPE_DISCRETE;
      f.discrete.width = static_cast<std::uint32_t>(m.width);
      f.discrete.height = static_cast<std::uint32_t>(m.height);
      return 0;
    }
    return EINVAL;
  }

  static const UsbCameraMode* Mode(const Camera& c, std::uint32_t fourcc, std::uint32_t w, std::uint32_t h) {
    for (const auto& m : c.setup.modes) {
      if (m.fourcc == fourcc && static_cast<std::uint32_t>(m.width) == w && static_cast<std::uint32_t>(m.height) == h) return &m;
    }
    return nullptr;
  }

  static int EnumInterval(const Camera& c, v4l2_frmivalenum& f) {
    const UsbCameraMode* m = Mode(c, f.pixel_format, f.width, f.height);
    if (!m || f.index >= m->intervals.size()) return EINVAL;
    f.type = V4L2_FRMIVAL_TYPE_DISCRETE;
    f.discrete.numerator = m->intervals[f.index].numerator;
    f.discrete.denominator = m->intervals[f.index].denominator;
    return 0;
  }

  // The offered mode nearest to what was asked: the same format and size,
  // else the first size of that format, else the camera's first mode.
  static const UsbCameraMode& Nearest(const Camera& c, const v4l2_pix_format& want) {
    if (const UsbCameraMode* m = Mode(c, want.pixelformat, want.width, want.height)) return *m;
    for (const auto& m : c.setup.modes) {
      if (m.fourcc == want.pixelformat && m.fourcc != V4L2_PIX_FMT_H264) return m;
    }
    return c.setup.modes.front();
  }

  static void FillFormat(v4l2_format& f, std::uint32_t fourcc, int width, int height) {
    std::memset(&f.fmt, 0, sizeof f.fmt);
    f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    f.fmt.pix.pixelformat = fourcc;
    f.fmt.pix.width = static_cast<std::uint32_t>(width);
    f.fmt.pix.height = static_cast<std::uint32_t>(height);
    f.fmt.pix.field = V4L2_FIELD_NONE;
    f.fmt.pix.bytesperline = fourcc == V4L2_PIX_FMT_YUYV ? static_cast<std::uint32_t>(width) * 2 : 0;
    f.fmt.pix.sizeimage = FrameBytes(fourcc, width, height);
    f.fmt.pix.colorspace = V4L2_COLORSPACE_SRGB;
    f.fmt.pix.ycbcr_enc = V4L2_YCBCR_ENC_601;
    f.fmt.pix.quantization = fourcc == V4L2_PIX_FMT_YUYV ? V4L2_QUANTIZATION_LIM_RANGE : V4L2_QUANTIZATION_FULL_RANGE;
    f.fmt.pix.xfer_func = V4L2_XFER_FUNC_SRGB;
  }

  void EnsureFormat(Camera& c) {
    if (c.fourcc) return;
    const UsbCameraMode& m = c.setup.modes.front();
    c.fourcc = m.fourcc, c.width = m.width, c.height = m.height, c.interval = m.intervals.front();
  }

  int Format(Camera& c, UMockdevIoctlClient* client, unsigned long request, v4l2_format& f) {
    if (f.type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return EINVAL;
    EnsureFormat(c);
    if (request == VIDIOC_G_FMT) {
      FillFormat(f, c.fourcc, c.width, c.height);
      return 0;
    }
    const UsbCameraMode& m = Nearest(c, f.fmt.pix);
    if (request == VIDIOC_S_FMT) {
      if (c.fault == UsbCameraFault::kBusyFormat) return EBUSY;
      if (c.fault == UsbCameraFault::kBusyFirstFormat) return c.fault = UsbCameraFault::kNone, EBUSY;
      if (c.owner && (c.owner != client || !c.buffers.empty())) return EBUSY;  // another is streaming
      c.fourcc = m.fourcc, c.width = m.width, c.height = m.height, c.interval = m.intervals.front();
    }
    FillFormat(f, m.fourcc, m.width, m.height);
    return 0;
  }

  int Rate(Camera& c, unsigned long request, v4l2_streamparm& p) {
    if (p.type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return EINVAL;
    EnsureFormat(c);
    if (request == VIDIOC_S_PARM) {
      const UsbCameraMode* m = Mode(c, c.fourcc, static_cast<std::uint32_t>(c.width), static_cast<std::uint32_t>(c.height));
      const auto want = p.parm.capture.timeperframe;
      if (m && want.numerator && want.denominator) {
        // The offered interval nearest to the one asked for.
        const double asked = static_cast<double>(want.numerator) / want.denominator;
        c.interval = *std::min_element(m->intervals.begin(), m->intervals.end(), [&](auto a, auto b) {
          return std::abs(static_cast<double>(a.numerator) / a.denominator - asked) <
                 std::abs(static_cast<double>(b.numerator) / b.denominator - asked);
        });
      }
    }
    std::memset(&p.parm, 0, sizeof p.parm);
    p.parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
    p.parm.capture.timeperframe.numerator = c.interval.numerator;
    p.parm.capture.timeperframe.denominator = c.interval.denominator;
    return 0;
  }

  int Request(Camera& c, UMockdevIoctlClient* client, v4l2_requestbuffers& r) {
    if (r.type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return EINVAL;
    if (r.memory != V4L2_MEMORY_MMAP) return EINVAL;
    if (c.owner && c.owner != client) return EBUSY;
    EnsureFormat(c);
    c.streaming = false;
    ++c.generation;
    c.buffers.clear();
    const std::uint32_t count = r.count == 0 ? 0 : std::clamp<std::uint32_t>(r.count, 2, kMaxBuffers);
    const auto size = static_cast<std::uint32_t>((FrameBytes(c.fourcc, c.width, c.height) + kPage - 1) / kPage * kPage);
    for (std::uint32_t i = 0; i < count; ++i) {
      Buffer b;
      b.offset = i * size;
      b.length = size;
      c.buffers.push_back(b);
    }
    if (count && ::ftruncate(c.pixels, static_cast<off_t>(count) * size) != 0) return ENOMEM;
    c.owner = count ? client : nullptr;
    r.count = count;
    r.capabilities = V4L2_BUF_CAP_SUPPORTS_MMAP;
    return 0;
  }

  static void Fill(const Buffer& b, std::uint32_t index, v4l2_buffer& out) {
    out.index = index;
    out.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    out.memory = V4L2_MEMORY_MMAP;
    out.m.offset = b.offset;
    out.length = b.length;
    out.field = V4L2_FIELD_NONE;
    out.bytesused = b.where == Buffer::Where::kApplication ? b.bytesused : 0;
    out.sequence = b.sequence;
    out.timestamp = b.stamp;
    out.flags = V4L2_BUF_FLAG_MAPPED | V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC |
                (b.where == Buffer::Where::kQueued || b.where == Buffer::Where::kFilling ? V4L2_BUF_FLAG_QUEUED : 0) |
                (b.where == Buffer::Where::kDone ? V4L2_BUF_FLAG_DONE : 0);
  }

  int BufferCall(Camera& c, UMockdevIoctlClient* client, unsigned long request, v4l2_buffer& b) {
    if (b.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || b.memory != V4L2_MEMORY_MMAP) return EINVAL;
    if (c.owner != client) return c.owner ? EBUSY : EINVAL;
    if (request == VIDIOC_DQBUF) {
      Buffer* oldest = nullptr;
      for (Buffer& candidate : c.buffers) {
        if (candidate.where == Buffer::Where::kDone && (!oldest || candidate.done_order < oldest->done_order)) {
          oldest = &candidate;
        }
      }
      if (!oldest) return EAGAIN;
      oldest->where = Buffer::Where::kApplication;
      Fill(*oldest, static_cast<std::uint32_t>(oldest - c.buffers.data()), b);
      return 0;
    }
    if (b.index >= c.buffers.size()) return EINVAL;
    Buffer& buffer = c.buffers[b.index];
    if (request == VIDIOC_QBUF) {
      if (buffer.where != Buffer::Where::kApplication) return EINVAL;
      buffer.where = Buffer::Where::kQueued;
    }
    Fill(buffer, b.index, b);
    return 0;
  }

  void DrainFifo(Camera& c) {
    char sink[64];
    while (c.capture->fifo >= 0 && ::read(c.capture->fifo, sink, sizeof sink) > 0) {
    }
  }

  int Stream(Camera& c, UMockdevIoctlClient* client, bool on) {
    if (c.owner != client) return c.owner ? EBUSY : EINVAL;
    if (on) {
      if (c.fault == UsbCameraFault::kBusyStreamOn) return EBUSY;
      if (c.buffers.empty()) return EINVAL;
      if (c.streaming) return 0;
      DrainFifo(c);
      c.streaming = true;
      c.next_due = Clock::now() + Interval(c);
      return 0;
    }
    c.streaming = false;
    ++c.generation;
    for (Buffer& b : c.buffers) b.where = Buffer::Where::kApplication;
    DrainFifo(c);
    return 0;
  }

  static Clock::duration Interval(const Camera& c) {
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(c.interval.numerator) / c.interval.denominator));
  }

  // --- frames -------------------------------------------------------------
  void SendFrames() {
    std::unique_lock lock(mutex);
    while (!stopping) {
      Camera* due = nullptr;
      Clock::time_point wake = Clock::now() + std::chrono::seconds(1);
      for (auto& c : cameras) {
        if (!c->present || !c->streaming || c->fault == UsbCameraFault::kStopFrames) continue;
        if (c->next_due <= Clock::now()) {
          due = c.get();
          break;
        }
        wake = std::min(wake, c->next_due);
      }
      if (!due) {
        changed.wait_until(lock, wake);
        continue;
      }
      SendOne(*due, lock);
    }
  }

  void SendOne(Camera& c, std::unique_lock<std::mutex>& lock) {
    ForgetClosedOwner(c);
    if (!c.streaming) return;
    c.next_due = std::max(c.next_due + Interval(c), Clock::now());
    if (c.fault == UsbCameraFault::kVanishAfterFrames && c.vanish_after-- <= 0) {
      Vanish(c);
      return;
    }
    const std::uint32_t code = c.next_code++;
    ++c.frames;
    c.last_code = code;
    auto queued = std::find_if(c.buffers.begin(), c.buffers.end(),
                               [](const Buffer& b) { return b.where == Buffer::Where::kQueued; });
    if (queued == c.buffers.end()) return;  // the reader is behind: the frame is dropped
    Buffer& b = *queued;
    b.where = Buffer::Where::kFilling;
    const std::uint64_t generation = c.generation;
    const std::uint32_t fourcc = c.fourcc;
    const int width = c.width, height = c.height, pixels = c.pixels;
    const std::uint32_t offset = b.offset, room = b.length;
    const std::size_t index = static_cast<std::size_t>(&b - c.buffers.data());

    const CameraScene scene = c.scene;
    std::shared_ptr<const StillFrame> still = c.still;

    lock.unlock();  // the picture is made without holding up the ioctls
    std::vector<std::uint8_t> made;
    if (!IsStill(scene)) {
      made = Picture(scene, code, fourcc, width, height);
    } else if (!still || still->scene != scene || still->fourcc != fourcc || still->width != width ||
               still->height != height) {
      still = std::make_shared<StillFrame>(StillFrame{scene, fourcc, width, height, Picture(scene, code, fourcc, width, height)});
    }
    const std::vector<std::uint8_t>& picture = IsStill(scene) ? still->bytes : made;
    const bool fits = picture.size() <= room;
    const bool written = fits && ::pwrite(pixels, picture.data(), picture.size(), offset) ==
                                     static_cast<ssize_t>(picture.size());
    lock.lock();
    if (IsStill(scene) && c.scene == scene) c.still = still;

    if (c.generation != generation || index >= c.buffers.size()) return;  // stopped meanwhile
    Buffer& filled = c.buffers[index];
    if (filled.where != Buffer::Where::kFilling) return;
    if (!written) {
      filled.where = Buffer::Where::kQueued;
      return;
    }
    filled.where = Buffer::Where::kDone;
    filled.bytesused = static_cast<std::uint32_t>(picture.size());
    filled.sequence = static_cast<std::uint32_t>(c.frames - 1);
    filled.done_order = ++c.done_counter;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    filled.stamp.tv_sec = now.tv_sec;
    filled.stamp.tv_usec = now.tv_nsec / 1000;
    (void)!::write(c.capture->fifo, "f", 1);
  }
};

UsbCameraEmulator::UsbCameraEmulator() : impl_(std::make_unique<Impl>()) {
  impl_->testbed = umockdev_testbed_new();
  gchar* root = umockdev_testbed_get_root_dir(impl_->testbed);
  impl_->root = root;
  g_free(root);
  ::mkdir((impl_->root + "/frames").c_str(), 0700);
  impl_->frames = std::thread([this] { impl_->SendFrames(); });
}

UsbCameraEmulator::~UsbCameraEmulator() {
  {
    std::lock_guard lock(impl_->mutex);
    impl_->stopping = true;
  }
  impl_->changed.notify_all();
  impl_->frames.join();
  for (auto& n : impl_->nodes) {
    if (n->fifo >= 0) ::close(n->fifo);
  }
  for (auto& c : impl_->cameras) {
    if (c->pixels >= 0) ::close(c->pixels);
  }
  g_object_unref(impl_->testbed);  // removes the testbed's folder
  for (auto& n : impl_->nodes) {
    for (UMockdevIoctlClient* client : n->clients) g_object_unref(client);
    if (n->handler) g_object_unref(n->handler);
  }
}

std::string UsbCameraEmulator::Root() const { return impl_->root; }

int UsbCameraEmulator::Add(const UsbCameraSetup& setup) {
  if (setup.modes.empty()) throw std::invalid_argument("a camera needs at least one mode");
  std::lock_guard lock(impl_->mutex);
  impl_->cameras.push_back(std::make_unique<Camera>());
  Camera& c = *impl_->cameras.back();
  c.index = static_cast<int>(impl_->cameras.size()) - 1;
  c.setup = setup;
  // Each camera codes numbers of its own, so a picture tells which camera sent it.
  c.next_code = static_cast<std::uint32_t>(c.index + 1) << 24;
  impl_->PlugIn(c);
  return c.index;
}

void UsbCameraEmulator::Unplug(int camera) {
  {
    std::lock_guard lock(impl_->mutex);
    impl_->Vanish(*impl_->cameras.at(static_cast<std::size_t>(camera)));
  }
  impl_->changed.notify_all();
}

void UsbCameraEmulator::Plug(int camera, const std::string& port) {
  std::lock_guard lock(impl_->mutex);
  Camera& c = *impl_->cameras.at(static_cast<std::size_t>(camera));
  if (c.present) return;
  c.fault = UsbCameraFault::kNone;
  if (!port.empty()) c.setup.usb_port = port;
  impl_->PlugIn(c);
}

void UsbCameraEmulator::SetFault(int camera, UsbCameraFault fault, int frames) {
  {
    std::lock_guard lock(impl_->mutex);
    Camera& c = *impl_->cameras.at(static_cast<std::size_t>(camera));
    c.fault = fault;
    c.vanish_after = frames;
  }
  impl_->changed.notify_all();
}

void UsbCameraEmulator::SetScene(int camera, const CameraScene& scene) {
  if (!scene.faces.empty()) AstronautPortrait();  // unreadable: said now, not by a frame
  std::lock_guard lock(impl_->mutex);
  Camera& c = *impl_->cameras.at(static_cast<std::size_t>(camera));
  c.scene = scene;
  c.scene_from = c.next_code;
}

UsbCameraState UsbCameraEmulator::State(int camera) const {
  std::lock_guard lock(impl_->mutex);
  const Camera& c = *impl_->cameras.at(static_cast<std::size_t>(camera));
  UsbCameraState s;
  s.present = c.present;
  s.node = c.present ? "/dev/video" + std::to_string(c.capture->number) : "";
  s.streaming = c.streaming;
  s.frames = c.frames;
  s.last_frame = c.last_code;
  s.scene_from = c.scene_from;
  s.open_descriptors = c.capture ? impl_->OpenCount(*c.capture) : 0;
  s.fourcc = c.fourcc;
  s.width = c.width;
  s.height = c.height;
  s.interval = c.interval;
  return s;
}

}  // namespace vantora::testing
