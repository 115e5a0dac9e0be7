// Capture costs, each against a yardstick measured in the same run:
//
// - the live preview's CPU over VANTORA_BENCH_SECONDS (default 10) against
//   gst-launch-1.0 showing the same camera with the plain chain
//   "jpegdec ! videoconvert ! ximagesink" (no jpegdec for a raw camera), both
//   drawing on the same private virtual X server; the X server's own CPU is
//   reported beside each;
// - choosing a camera to its first frame on the screen, against
//   gst-launch-1.0 from building its pipeline to the first buffer reaching
//   its sink: process start left out on both sides;
// - one 1080p frame grab (converted to BGR on request) against a plain copy
//   of the frame the grabber keeps;
// - the face guide on the live picture: the preview's CPU with the guide
//   judging a few frames a second against the same preview without it, on
//   an emulated MJPG 1280x720@30 camera filming a portrait that moves and
//   grows from frame to frame (the CPU seconds are the times compared); and
//   the median from a frame's arrival at the grabber to its outline painted.
//
// The cameras: USB cameras emulated at the V4L2 level (tests/usb_camera),
// which both sides open through the real v4l2src path, the emulator making
// their frames in a process of its own: MJPG 1280x720@30 (chosen from a
// typical webcam's modes, as the station chooses it), MJPG 1920x1080@30 and
// YUYV 640x480@30. Then the in-process test cameras (VANTORA_TEST_CAMERAS),
// whose picture is made and, for MJPG, encoded in the measured process, just
// as the yardstick's videotestsrc does it. Without umockdev only the test
// cameras are measured.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bench/support/bench_processes.h"
#include "capture/platform/capture_graph.h"
#ifdef VANTORA_BENCH_USB_CAMERAS
#include "tests/usb_camera/usb_camera_session.h"
#endif
#ifdef VANTORA_BENCH_FACE_GUIDE
#include "app/face_guide_live.h"
#include "app/face_outline.h"
#include "guide/face_detector.h"
#endif
#include "capture/filter.h"
#include "capture/filter_graph.h"
#include "capture/platform/frame_grabber.h"
#include "imaging/graphics.h"
#include "capture/preview_selection.h"
#include "capture/sample_grabber.h"
#include "capture/sys_dev_enum.h"
#include "capture/platform/video_renderer.h"
#include "capture/video_window.h"

namespace vantora {
namespace {

using Clock = std::chrono::steady_clock;

// The X server both sides draw on; none under another Qt platform.
pid_t x_server = 0;

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

double PreviewSeconds() {
  const char* s = std::getenv("VANTORA_BENCH_SECONDS");
  return s ? std::atof(s) : 10.0;
}

double OwnCpuSeconds() {
  rusage r{};
  getrusage(RUSAGE_SELF, &r);
  return Seconds(r.ru_utime) + Seconds(r.ru_stime);
}

double XServerCpuSeconds() { return x_server ? bench::ProcessCpuSeconds(x_server) : 0; }

// One camera as both sides see it: the station picks it from its device
// list by name; gst-launch-1.0 gets the same picture as a pipeline head.
struct PreviewSource {
  std::string label;
  std::string device;             // the name in the source menu
  std::vector<std::string> head;  // gst-launch-1.0 elements up to the camera's output
  bool mjpeg = false;
  int width = 0;
  int height = 0;
  int camera = -1;  // the emulated camera's index
};

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    if (c == ' ') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

// The in-process test camera "WxH" or "WxH:mjpg", and the same picture made
// by videotestsrc (and jpegenc) for the yardstick.
PreviewSource TestCamera(int width, int height, bool mjpeg) {
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  const std::string dims = ",width=" + std::to_string(width) + ",height=" + std::to_string(height) + ",framerate=30/1";
  PreviewSource s;
  s.label = "test-" + std::string(mjpeg ? "mjpg" : "yuyv") + size;
  s.device = "Vantora Test Camera " + size + (mjpeg ? " MJPG" : "");
  s.head = Split("videotestsrc is-live=true horizontal-speed=4 ! video/x-raw,format=" +
                 std::string(mjpeg ? "I420" : "YUY2") + dims);
  if (mjpeg) {
    for (const std::string& w : Split("! jpegenc ! image/jpeg" + dims)) s.head.push_back(w);
  }
  s.mjpeg = mjpeg;
  s.width = width;
  s.height = height;
  return s;
}

#ifdef VANTORA_BENCH_USB_CAMERAS
// An emulated USB camera offering `modes`, and gst-launch-1.0's v4l2src on
// its node in the mode the station chooses from them (given here).
PreviewSource UsbCamera(testing::EmulatedCameras& cameras, const std::string& name, const std::string& modes,
                        const std::string& port, bool mjpeg, int width, int height, const std::string& label) {
  const auto plugged = cameras.Add(name, modes, port);
  PreviewSource s;
  s.label = label;
  s.device = name;
  s.camera = plugged.index;
  s.head = Split("v4l2src device=" + plugged.node + " ! " + (mjpeg ? "image/jpeg" : "video/x-raw,format=YUY2") +
                 ",width=" + std::to_string(width) + ",height=" + std::to_string(height) + ",framerate=30/1");
  s.mjpeg = mjpeg;
  s.width = width;
  s.height = height;
  return s;
}
#endif

const char kTestCameras[] = "1280x720,1280x720:mjpg,1920x1080:mjpg,640x480,1920x1080";

int DeviceIndex(const TSysDevEnum& devices, const std::string& name) {
  for (int i = 0; i < devices.DeviceCount(); ++i) {
    if (devices.DeviceEntry(i).FriendlyName == name) return i;
  }
  return -1;
}

// The preview's parts as the main window holds them, on a shown panel, the
// preview laid out for the camera's shape as after a selection.
struct Station {
  explicit Station(const PreviewSource& source) {
    panel.resize(228, 316);
    if (auto g = ComputePreviewGeometry(source.width, source.height)) {
      preview.setGeometry(g->left, 8, g->width, g->height);
    }
    panel.show();
    preview.SetFilterGraph(&graph);
    grabber.SetFilterGraph(&graph);
    filter.SetFilterGraph(&graph);
    index = DeviceIndex(devices, source.device);
  }
  ~Station() {
#ifdef VANTORA_BENCH_FACE_GUIDE
    guide.reset();  // its worker stops before the graph does
#endif
    ShutdownPreview(graph);
  }
  void Select() { BuildAndRunPreview(graph, devices, index, filter, grabber, preview); }
#ifdef VANTORA_BENCH_FACE_GUIDE
  // The guide as the main window runs it: over the panel's picture area,
  // fed the grabber's latest frame while it is fresh.
  bool StartFaceGuide() {
    outline = std::make_unique<TFaceOutline>(&panel, QRect(0, 8, 228, 303));
    // The station's own source, with the camera's state read as "a frame
    // within the last second".
    guide = std::make_unique<TFaceGuideLive>(
        *outline,
        [this]() -> std::optional<TGuideFrame> {
          auto latest = LatestGuideFrame(grabber);
          if (!latest || Clock::now() - latest->time > std::chrono::seconds(1)) return std::nullopt;
          return latest;
        },
        [this](bool loaded) {
          loadedCascades = loaded;
          if (loaded) guide->SetEnabled(true);
        });
    QElapsedTimer waited;
    waited.start();
    while (!loadedCascades && waited.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return loadedCascades.value_or(false);
  }
#endif

  TFilterGraph graph;
  QWidget panel;
  TVideoWindow preview{&panel};
  TSampleGrabber grabber;
  TFilter filter;
  TSysDevEnum devices;
  int index = -1;
#ifdef VANTORA_BENCH_FACE_GUIDE
  // After the panel: the outline, its child, goes before it.
  std::optional<bool> loadedCascades;
  std::unique_ptr<TFaceOutline> outline;
  std::unique_ptr<TFaceGuideLive> guide;
#endif
};

std::vector<std::string> YardstickPipeline(const PreviewSource& source, bool mark_first_buffer) {
  std::vector<std::string> words = source.head;
  std::vector<std::string> tail;
  if (source.mjpeg) tail = {"!", "jpegdec"};
  for (const char* w : {"!", "videoconvert"}) tail.push_back(w);
  if (mark_first_buffer) tail.insert(tail.end(), {"!", "identity", "silent=false"});
  for (const char* w : {"!", "ximagesink"}) tail.push_back(w);
  words.insert(words.end(), tail.begin(), tail.end());
  return words;
}

// gst-launch-1.0 showing the source for `seconds`: its CPU, start included.
double GstLaunchCpuSeconds(const PreviewSource& source, double seconds) {
  std::vector<std::string> args = {"timeout", "-s", "INT", std::to_string(seconds), "gst-launch-1.0", "-q", "-e"};
  for (const std::string& w : YardstickPipeline(source, false)) args.push_back(w);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage r{};
  wait4(pid, &status, 0, &r);
  return Seconds(r.ru_utime) + Seconds(r.ru_stime);
}

void RunEventLoopFor(double seconds) {
  QEventLoop loop;
  QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
  loop.exec();
}

void PreviewCpu(benchmark::State& state, const PreviewSource& source) {
  const double seconds = PreviewSeconds();
  for (auto _ : state) {
    double station_cpu = 0, station_x = 0;
    long long frames = 0;
    {
      Station station(source);
      if (station.index < 0) {
        state.SkipWithError(("no camera named " + source.device).c_str());
        return;
      }
      station.Select();
      RunEventLoopFor(0.5);  // past the start: the steady preview is measured
      const double before = OwnCpuSeconds(), x_before = XServerCpuSeconds();
      const long long painted = station.preview.FramesPainted();
      RunEventLoopFor(seconds);
      station_cpu = OwnCpuSeconds() - before;
      station_x = XServerCpuSeconds() - x_before;
      frames = station.preview.FramesPainted() - painted;
    }
    const double x_before = XServerCpuSeconds();
    const double launch_cpu = GstLaunchCpuSeconds(source, seconds);
    const double launch_x = XServerCpuSeconds() - x_before;
    state.counters["station_cpu_s"] = station_cpu;
    state.counters["gst_launch_cpu_s"] = launch_cpu;
    state.counters["ratio"] = launch_cpu > 0 ? station_cpu / launch_cpu : 0;
    state.counters["frames_drawn"] = static_cast<double>(frames);
    state.counters["x_server_cpu_s_station"] = station_x;
    state.counters["x_server_cpu_s_gst_launch"] = launch_x;
  }
}

// From the click on the camera's menu item to its first frame painted and
// handed to the X server (a round trip makes sure it got there).
void FirstFrame(benchmark::State& state, const PreviewSource& source) {
  for (auto _ : state) {
    Station station(source);
    if (station.index < 0) {
      state.SkipWithError(("no camera named " + source.device).c_str());
      return;
    }
    const auto start = Clock::now();
    station.Select();
    const auto deadline = start + std::chrono::seconds(10);
    while (station.preview.FramesPainted() < 1 && Clock::now() < deadline) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    QGuiApplication::sync();
    const auto end = Clock::now();
    if (station.preview.FramesPainted() < 1) state.SkipWithError("no frame within 10 s");
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
}

// gst-launch-1.0 on the same camera, from the moment its pipeline is built
// ("Setting pipeline to PAUSED") to the first buffer reaching its sink (the
// identity in front of it reports it); its process start is left out, as
// the station's is.
void FirstFrameBaseline(benchmark::State& state, const PreviewSource& source) {
  for (auto _ : state) {
    int out[2];
    if (pipe(out) != 0) {
      state.SkipWithError("no pipe");
      return;
    }
    std::vector<std::string> args = {"gst-launch-1.0", "-v"};
    for (const std::string& w : YardstickPipeline(source, true)) args.push_back(w);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      close(out[1]);
      execvp(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    std::string seen;
    char chunk[4096];
    std::optional<Clock::time_point> built, first;
    ssize_t n;
    while (!first && (n = read(out[0], chunk, sizeof chunk)) > 0) {
      seen.append(chunk, static_cast<std::size_t>(n));
      if (!built && seen.find("Setting pipeline to PAUSED") != std::string::npos) built = Clock::now();
      if (built && seen.find("chain") != std::string::npos) first = Clock::now();
    }
    close(out[0]);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!built || !first) {
      state.SkipWithError("gst-launch-1.0 showed no buffer");
      return;
    }
    state.SetIterationTime(std::chrono::duration<double>(*first - *built).count());
  }
}

void BM_GrabFrame1080p(benchmark::State& state) {
  Station station(TestCamera(1920, 1080, false));
  station.Select();
  TBitmap bitmap;
  while (!station.grabber.GrabFrame(bitmap)) QApplication::processEvents();
  for (auto _ : state) benchmark::DoNotOptimize(station.grabber.GrabFrame(bitmap));
  state.SetBytesProcessed(state.iterations() * 1920LL * 1080 * 3);
}
BENCHMARK(BM_GrabFrame1080p)->Unit(benchmark::kMillisecond);

// The floor: the bytes of the frame the grabber keeps (YUY2 from this
// camera), copied in one piece from the same live camera, so both sides
// read memory the streaming thread just wrote.
void BM_GrabFrame1080p_Baseline(benchmark::State& state) {
  capture::CaptureGraph graph;
  capture::VideoRenderer renderer(539, 303);
  capture::FrameGrabber grabber;
  TSysDevEnum devices;
  auto source = devices.DeviceMoniker(DeviceIndex(devices, "Vantora Test Camera 1920x1080"))->BindToElement();
  graph.AddFilter(renderer.Element(), "AVCapture1");
  graph.AddFilter(grabber.Element(), "SampleGrabber");
  graph.AddFilter(source, "Filter");
  graph.RenderStream(source, grabber.Element(), renderer.Element());
  graph.Run();
  while (!grabber.LatestFrame()) QApplication::processEvents();
  std::vector<unsigned char> to(grabber.LatestFrame()->info.size);
  for (auto _ : state) {
    auto frame = grabber.LatestFrame();
    GstMapInfo map;
    gst_buffer_map(frame->buffer.get(), &map, GST_MAP_READ);
    std::memcpy(to.data(), map.data, std::min<std::size_t>(to.size(), map.size));
    gst_buffer_unmap(frame->buffer.get(), &map);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long long>(to.size()));
}
BENCHMARK(BM_GrabFrame1080p_Baseline)->Unit(benchmark::kMillisecond);

#ifdef VANTORA_BENCH_FACE_GUIDE
// The camera chosen, the guide started when asked for, and the preview run
// for a second, past the start and the first judgements; false, with the
// benchmark skipped, when the camera or the cascades are missing.
bool PreviewSettled(benchmark::State& state, Station& station, const PreviewSource& source, bool with_guide) {
  if (station.index < 0) {
    state.SkipWithError(("no camera named " + source.device).c_str());
    return false;
  }
  station.Select();
  if (with_guide && !station.StartFaceGuide()) {
    state.SkipWithError("no face cascades (opencv-data)");
    return false;
  }
  RunEventLoopFor(1.0);
  return true;
}

// The preview's CPU over VANTORA_BENCH_SECONDS, the steady picture only,
// with the face guide or without it: reported as the iteration's time, so
// that the two compare as a ratio.
void PreviewFaceGuideCpu(benchmark::State& state, const PreviewSource& source, bool with_guide) {
  const double seconds = PreviewSeconds();
  for (auto _ : state) {
    Station station(source);
    if (!PreviewSettled(state, station, source, with_guide)) return;
    const double before = OwnCpuSeconds();
    const long long painted = station.preview.FramesPainted();
    const long long judged = with_guide ? station.guide->JudgementsShown() : 0;
    RunEventLoopFor(seconds);
    state.SetIterationTime(OwnCpuSeconds() - before);
    state.counters["frames_drawn"] = static_cast<double>(station.preview.FramesPainted() - painted);
    if (with_guide) state.counters["judgements"] = static_cast<double>(station.guide->JudgementsShown() - judged);
  }
}

// From a frame's arrival at the grabber to the paint that put its outline
// on the screen: the median is the iteration's time, the 90th percentile
// and the count beside it.
void FaceGuideOutlineLatency(benchmark::State& state, const PreviewSource& source) {
  for (auto _ : state) {
    Station station(source);
    if (!PreviewSettled(state, station, source, true)) return;
    const std::size_t before = station.outline->OutlineLatencies().size();
    RunEventLoopFor(PreviewSeconds());
    std::vector<Clock::duration> latencies(station.outline->OutlineLatencies().begin() + static_cast<long>(before),
                                           station.outline->OutlineLatencies().end());
    if (latencies.empty()) {
      state.SkipWithError("no outline was painted: the detector found no face");
      return;
    }
    std::sort(latencies.begin(), latencies.end());
    auto seconds_at = [&](double share) {
      return std::chrono::duration<double>(latencies[static_cast<std::size_t>(share * (latencies.size() - 1))]).count();
    };
    state.SetIterationTime(seconds_at(0.5));
    state.counters["p90_ms"] = seconds_at(0.9) * 1000;
    state.counters["outlines"] = static_cast<double>(latencies.size());
  }
}

void RegisterFaceGuide(const PreviewSource& source) {
  benchmark::RegisterBenchmark(("BM_PreviewFaceGuide/" + source.label).c_str(),
                               [source](benchmark::State& s) { PreviewFaceGuideCpu(s, source, true); })
      ->UseManualTime()
      ->Iterations(1)
      ->Unit(benchmark::kSecond);
  benchmark::RegisterBenchmark(("BM_PreviewFaceGuide_Baseline/" + source.label).c_str(),
                               [source](benchmark::State& s) { PreviewFaceGuideCpu(s, source, false); })
      ->UseManualTime()
      ->Iterations(1)
      ->Unit(benchmark::kSecond);
  benchmark::RegisterBenchmark(("BM_FaceGuideOutlineLatency/" + source.label).c_str(),
                               [source](benchmark::State& s) { FaceGuideOutlineLatency(s, source); })
      ->UseManualTime()
      ->Iterations(1)
      ->Unit(benchmark::kMillisecond);
}
#endif

void RegisterSource(const PreviewSource& source) {
  benchmark::RegisterBenchmark(("BM_PreviewCpuAgainstGstLaunch/" + source.label).c_str(),
                               [source](benchmark::State& s) { PreviewCpu(s, source); })
      ->Iterations(1)
      ->Unit(benchmark::kSecond);
  benchmark::RegisterBenchmark(("BM_FirstFrame/" + source.label).c_str(),
                               [source](benchmark::State& s) { FirstFrame(s, source); })
      ->UseManualTime()
      ->Iterations(10)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark(("BM_FirstFrame_Baseline/" + source.label).c_str(),
                               [source](benchmark::State& s) { FirstFrameBaseline(s, source); })
      ->UseManualTime()
      ->Iterations(10)
      ->Unit(benchmark::kMillisecond);
}

}  // namespace
}  // namespace vantora

int main(int argc, char** argv) {
#ifdef VANTORA_BENCH_USB_CAMERAS
  // Runs this program again under the emulation's preload libraries; the
  // gst-launch-1.0 yardsticks inherit them and see the same cameras.
  vantora::testing::EnterCameraEmulation(argv);
#endif
  // Both sides draw on one private X server, big enough to show a 1080p
  // frame whole, unless the caller chose a Qt platform.
  std::unique_ptr<vantora::bench::VirtualScreen> screen;
  if (!std::getenv("QT_QPA_PLATFORM")) {
    screen = std::make_unique<vantora::bench::VirtualScreen>("1920x1200x24");
    setenv("DISPLAY", screen->Display().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    vantora::x_server = screen->ServerPid();
  }
  setenv("VANTORA_TEST_CAMERAS", vantora::kTestCameras, 1);
  QApplication app(argc, argv);
#ifdef VANTORA_BENCH_USB_CAMERAS
  std::unique_ptr<vantora::testing::EmulatedCameras> cameras;
  try {
    cameras = std::make_unique<vantora::testing::EmulatedCameras>();
    using vantora::UsbCamera;
    vantora::RegisterSource(UsbCamera(*cameras, "Bench Webcam HD",
                                      "yuyv640x480@30+yuyv1280x720@10+yuyv1920x1080@5+mjpg1280x720@30+mjpg1920x1080@30",
                                      "1", true, 1280, 720, "usb-mjpg1280x720"));
    vantora::RegisterSource(
        UsbCamera(*cameras, "Bench Webcam FHD", "mjpg1920x1080@30", "2", true, 1920, 1080, "usb-mjpg1920x1080"));
    vantora::RegisterSource(
        UsbCamera(*cameras, "Bench Webcam VGA", "yuyv640x480@30", "3", false, 640, 480, "usb-yuyv640x480"));
#ifdef VANTORA_BENCH_FACE_GUIDE
    // The typical webcam again, filming a sitter who sways and leans in and
    // out by a few pixels every frame, the face about where the lines want it.
    const vantora::PreviewSource sitter = UsbCamera(*cameras, "Bench Webcam Sitter",
        "yuyv640x480@30+yuyv1280x720@10+mjpg1280x720@30", "4", true, 1280, 720, "usb-mjpg1280x720-portrait");
    cameras->Scene(sitter.camera, vantora::testing::CameraScene::Parse("plain sway=8 face=114,140,130"));
    vantora::RegisterFaceGuide(sitter);
#endif
  } catch (const std::exception& error) {
    std::fprintf(stderr, "capture_bench: no emulated USB cameras (%s)\n", error.what());
  }
#endif
  vantora::RegisterSource(vantora::TestCamera(1280, 720, false));
  vantora::RegisterSource(vantora::TestCamera(1280, 720, true));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
