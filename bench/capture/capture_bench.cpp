// Capture costs: the live preview of a 1280x720 30 fps camera against
// gst-launch-1.0 converting the same source into a fake sink (CPU time of
// both, measured in the same run), one frame grab of 1920x1080 against a
// plain copy of the same bytes, and the time from choosing a camera to its
// first frame on screen against gst-launch-1.0 reaching its first buffer.
//
// VANTORA_BENCH_SECONDS shortens the preview runs (default 20).

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "capture_graph.h"
#include "filter.h"
#include "frame_grabber.h"
#include "filter_graph.h"
#include "imaging/graphics.h"
#include "preview_selection.h"
#include "sample_grabber.h"
#include "sys_dev_enum.h"
#include "video_renderer.h"
#include "video_window.h"

namespace vantora {
namespace {

double Seconds(const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; }

double PreviewSeconds() {
  const char* s = std::getenv("VANTORA_BENCH_SECONDS");
  return s ? std::atof(s) : 20.0;
}

// One camera previewed as the main window does it: panel, control, graph.
struct Station {
  explicit Station(const char* camera) {
    setenv("VANTORA_TEST_CAMERAS", camera, 1);
    preview.setGeometry(-156, 8, 539, 303);
    panel.resize(228, 316);
    panel.show();
    preview.SetFilterGraph(&graph);
    grabber.SetFilterGraph(&graph);
    source.SetFilterGraph(&graph);
    TSysDevEnum devices;
    BuildAndRunPreview(graph, devices, devices.DeviceCount() - 1, source, grabber, preview);
  }
  ~Station() { ShutdownPreview(graph); }
  TFilterGraph graph;
  QWidget panel;
  TVideoWindow preview{&panel};
  TSampleGrabber grabber;
  TFilter source;
};

double CpuSeconds() {
  rusage r{};
  getrusage(RUSAGE_SELF, &r);
  return Seconds(r.ru_utime) + Seconds(r.ru_stime);
}

double GstLaunchCpuSeconds(double seconds) {
  pid_t pid = fork();
  if (pid == 0) {
    execlp("timeout", "timeout", "-s", "INT", std::to_string(seconds).c_str(), "gst-launch-1.0",
           "-q", "-e", "videotestsrc", "is-live=true", "horizontal-speed=4", "!",
           "video/x-raw,format=YUY2,width=1280,height=720,framerate=30/1", "!", "videoconvert",
           "!", "video/x-raw,format=BGR", "!", "fakesink", static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage r{};
  wait4(pid, &status, 0, &r);
  return Seconds(r.ru_utime) + Seconds(r.ru_stime);
}

void BM_PreviewCpuAgainstGstLaunch(benchmark::State& state) {
  const double seconds = PreviewSeconds();
  for (auto _ : state) {
    double station_cpu = 0;
    long long frames = 0;
    {
      Station station("1280x720");
      const double before = CpuSeconds();
      QEventLoop loop;
      QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
      loop.exec();
      station_cpu = CpuSeconds() - before;
      frames = station.preview.FramesShown();
    }
    const double launch_cpu = GstLaunchCpuSeconds(seconds);
    state.counters["station_cpu_s"] = station_cpu;
    state.counters["gst_launch_cpu_s"] = launch_cpu;
    state.counters["ratio"] = launch_cpu > 0 ? station_cpu / launch_cpu : 0;
    state.counters["frames_drawn"] = static_cast<double>(frames);
  }
}
BENCHMARK(BM_PreviewCpuAgainstGstLaunch)->Iterations(1)->Unit(benchmark::kSecond);

void BM_GrabFrame1080p(benchmark::State& state) {
  Station station("1920x1080");
  TBitmap bitmap;
  while (!station.grabber.GrabFrame(bitmap)) QApplication::processEvents();
  for (auto _ : state) benchmark::DoNotOptimize(station.grabber.GrabFrame(bitmap));
  state.SetBytesProcessed(state.iterations() * 1920LL * 1080 * 3);
}
BENCHMARK(BM_GrabFrame1080p)->Unit(benchmark::kMillisecond);

// The baseline: the latest frame's bytes copied in one piece, from the same
// live camera, so both sides read memory the streaming thread just wrote.
void BM_GrabFrame1080p_Baseline(benchmark::State& state) {
  setenv("VANTORA_TEST_CAMERAS", "1920x1080", 1);
  capture::CaptureGraph graph;
  capture::VideoRenderer renderer(539, 303);
  capture::FrameGrabber grabber;
  TSysDevEnum devices;
  auto source = devices.DeviceMoniker(devices.DeviceCount() - 1)->BindToElement();
  graph.AddFilter(renderer.Element(), "AVCapture1");
  graph.AddFilter(grabber.Element(), "SampleGrabber");
  graph.AddFilter(source, "Filter");
  graph.RenderStream(source, grabber.Element(), renderer.Element());
  graph.Run();
  while (!grabber.LatestFrame()) QApplication::processEvents();
  const std::size_t bytes = 1920u * 1080u * 3u;
  std::vector<unsigned char> to(bytes);
  for (auto _ : state) {
    auto frame = grabber.LatestFrame();
    GstMapInfo map;
    gst_buffer_map(frame->buffer.get(), &map, GST_MAP_READ);
    std::memcpy(to.data(), map.data, std::min<std::size_t>(bytes, map.size));
    gst_buffer_unmap(frame->buffer.get(), &map);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long long>(bytes));
}
BENCHMARK(BM_GrabFrame1080p_Baseline)->Unit(benchmark::kMillisecond);

// The preview's parts without a selection yet, as the window holds them.
struct IdleStation {
  // The camera list is set before the device list below is made.
  struct Cameras {
    explicit Cameras(const char* list) { setenv("VANTORA_TEST_CAMERAS", list, 1); }
  };
  explicit IdleStation(const char* camera) : cameras(camera) {
    preview.setGeometry(-156, 8, 539, 303);
    panel.resize(228, 316);
    panel.show();
    preview.SetFilterGraph(&graph);
    grabber.SetFilterGraph(&graph);
    source.SetFilterGraph(&graph);
  }
  ~IdleStation() { ShutdownPreview(graph); }
  Cameras cameras;
  TFilterGraph graph;
  QWidget panel;
  TVideoWindow preview{&panel};
  TSampleGrabber grabber;
  TFilter source;
  TSysDevEnum devices;
};

// From the click on the camera's menu item to its first frame drawn in the
// preview control.
void BM_FirstFrame(benchmark::State& state) {
  for (auto _ : state) {
    IdleStation station("1280x720");
    const auto start = std::chrono::steady_clock::now();
    BuildAndRunPreview(station.graph, station.devices, station.devices.DeviceCount() - 1, station.source,
                       station.grabber, station.preview);
    const auto deadline = start + std::chrono::seconds(10);
    while (station.preview.FramesShown() < 1 && std::chrono::steady_clock::now() < deadline) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    const auto end = std::chrono::steady_clock::now();
    if (station.preview.FramesShown() < 1) state.SkipWithError("no frame within 10 s");
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
}
BENCHMARK(BM_FirstFrame)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// gst-launch-1.0 on the same source and conversion, from its start to the
// first buffer at the sink (its verbose fake sink prints a "chain" line).
void BM_FirstFrame_Baseline(benchmark::State& state) {
  for (auto _ : state) {
    int out[2];
    if (pipe(out) != 0) {
      state.SkipWithError("no pipe");
      return;
    }
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      close(out[1]);
      execlp("gst-launch-1.0", "gst-launch-1.0", "-v", "videotestsrc", "is-live=true", "horizontal-speed=4",
             "num-buffers=5", "!", "video/x-raw,format=YUY2,width=1280,height=720,framerate=30/1", "!",
             "videoconvert", "!", "video/x-raw,format=BGR", "!", "fakesink", "silent=false",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    std::string seen;
    char chunk[4096];
    bool first_buffer = false;
    ssize_t n;
    while (!first_buffer && (n = read(out[0], chunk, sizeof chunk)) > 0) {
      seen.append(chunk, static_cast<std::size_t>(n));
      first_buffer = seen.find("chain") != std::string::npos;
    }
    const auto end = std::chrono::steady_clock::now();
    close(out[0]);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!first_buffer) state.SkipWithError("gst-launch-1.0 showed no buffer");
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
}
BENCHMARK(BM_FirstFrame_Baseline)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vantora

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
