// Start-up: from starting the program to its window on the screen. The
// station starts with two test cameras; the yardstick is a bare Qt program
// showing one empty window. Both run on one private virtual X server, and a
// window counts as on the screen when the X server maps it.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/support/bench_processes.h"

namespace {

using vantora::bench::Child;
using vantora::bench::EnvironmentWith;
using vantora::bench::VirtualScreen;
using Clock = std::chrono::steady_clock;

constexpr int kWaitMilliseconds = 60'000;

// Watches the root window for a top-level window being mapped.
class MapWatcher {
 public:
  explicit MapWatcher(const std::string& display) : connection_(xcb_connect(display.c_str(), nullptr)) {
    if (xcb_connection_has_error(connection_)) throw std::runtime_error("cannot reach " + display);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_void_cookie_t done = xcb_change_window_attributes_checked(connection_, screen->root, XCB_CW_EVENT_MASK, &mask);
    std::free(xcb_request_check(connection_, done));  // the watch stands before the program starts
  }
  ~MapWatcher() { xcb_disconnect(connection_); }
  MapWatcher(const MapWatcher&) = delete;
  MapWatcher& operator=(const MapWatcher&) = delete;

  bool AwaitMappedWindow() {
    const auto deadline = Clock::now() + std::chrono::milliseconds(kWaitMilliseconds);
    while (Clock::now() < deadline) {
      while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                            !reinterpret_cast<xcb_map_notify_event_t*>(event)->override_redirect;
        std::free(event);
        if (mapped) return true;
      }
      if (xcb_connection_has_error(connection_)) return false;
      pollfd wait{xcb_get_file_descriptor(connection_), POLLIN, 0};
      ::poll(&wait, 1, 100);
    }
    return false;
  }

 private:
  xcb_connection_t* connection_;
};

const std::string& Scratch() {
  static const std::string scratch = (std::filesystem::temp_directory_path() /
                                      ("vantora-startup-bench-" + std::to_string(::getpid()))).string();
  return scratch;
}

std::vector<std::string> ProgramEnvironment(const VirtualScreen& screen, const std::vector<std::string>& extra) {
  std::filesystem::create_directories(Scratch());
  std::vector<std::string> changes = {"DISPLAY=" + screen.Display(), "QT_QPA_PLATFORM=xcb",
                                      "VANTORA_REGISTRY=" + Scratch() + "/registry.reg",
                                      "VANTORA_UPLOAD_RECORD=" + Scratch() + "/uploads.sqlite",
                                      "XDG_CONFIG_HOME=" + Scratch()};
  changes.insert(changes.end(), extra.begin(), extra.end());
  return EnvironmentWith(changes);
}

// One start to the window on the screen, in seconds; none when no window came.
std::optional<double> StartOnce(const VirtualScreen& screen, const std::string& program,
                                const std::vector<std::string>& environment) {
  MapWatcher watcher(screen.Display());
  const auto started = Clock::now();
  Child child({program}, environment);
  if (!watcher.AwaitMappedWindow()) return std::nullopt;
  return std::chrono::duration<double>(Clock::now() - started).count();
}

void MeasureStartUpOn(const VirtualScreen& screen, benchmark::State& state, const std::string& program,
                      const std::vector<std::string>& extra) {
  const std::vector<std::string> environment = ProgramEnvironment(screen, extra);
  for (auto _ : state) {
    auto seconds = StartOnce(screen, program, environment);
    if (!seconds) {
      state.SkipWithError("no window appeared");
      break;
    }
    state.SetIterationTime(*seconds);
  }
  std::filesystem::remove_all(Scratch());
}

void MeasureStartUp(benchmark::State& state, const std::string& program, const std::vector<std::string>& extra) {
  try {
    VirtualScreen screen;
    MeasureStartUpOn(screen, state, program, extra);
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
}

void BM_StartUpToWindow(benchmark::State& state) {
  MeasureStartUp(state, VANTORA_STATION_PROGRAM, {"VANTORA_TEST_CAMERAS=640x480,1280x720"});
}

// The same station with no camera at all: what listing the two test cameras
// adds to the start.
void BM_StartUpToWindowWithoutCameras(benchmark::State& state) {
  MeasureStartUp(state, VANTORA_STATION_PROGRAM, {"VANTORA_TEST_CAMERAS="});
}

void BM_StartUpToWindow_Baseline(benchmark::State& state) { MeasureStartUp(state, VANTORA_BARE_WINDOW_PROGRAM, {}); }

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

// The station and the bare window started in turn, so that both see the
// same load on a shared machine: the medians of each, and the median of the
// ratios of the pairs. Two rounds warm the caches first.
void BM_StartUpPairedWithBareWindow(benchmark::State& state) {
  constexpr int kRounds = 30;
  try {
    VirtualScreen screen;
    const auto station_env = ProgramEnvironment(screen, {"VANTORA_TEST_CAMERAS=640x480,1280x720"});
    const auto bare_env = ProgramEnvironment(screen, {});
    for (auto _ : state) {
      std::vector<double> station, bare, ratio;
      for (int round = 0; round < kRounds + 2; ++round) {
        auto b = StartOnce(screen, VANTORA_BARE_WINDOW_PROGRAM, bare_env);
        auto s = StartOnce(screen, VANTORA_STATION_PROGRAM, station_env);
        if (!b || !s) {
          state.SkipWithError("no window appeared");
          return;
        }
        if (round < 2) continue;
        station.push_back(*s * 1e3);
        bare.push_back(*b * 1e3);
        ratio.push_back(*s / *b);
      }
      state.counters["station_ms"] = Median(station);
      state.counters["bare_window_ms"] = Median(bare);
      state.counters["ratio"] = Median(ratio);
    }
  } catch (const std::exception& error) {
    state.SkipWithError(error.what());
  }
  std::filesystem::remove_all(Scratch());
}
BENCHMARK(BM_StartUpPairedWithBareWindow)->Iterations(1)->Unit(benchmark::kMillisecond);

// The first start of each program warms the caches (GStreamer's plugin
// registry, fontconfig), as on a station that has run before.
BENCHMARK(BM_StartUpToWindow_Baseline)->UseManualTime()->Iterations(12)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUpToWindow)->UseManualTime()->Iterations(12)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUpToWindowWithoutCameras)->UseManualTime()->Iterations(12)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
