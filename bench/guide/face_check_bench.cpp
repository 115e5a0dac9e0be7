// "拍照" on a 1920x1080 frame with a face where the lines want it: the
// portrait cut and stamped as the handler does it, with and without the
// check on the same frame (the strip in grey, the cascades, the rule). The
// check may add at most 40 ms.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "app/photo_geometry.h"
#include "app/portrait.h"
#include "guide/face_detector.h"
#include "imaging/bitmap.h"
#include "imaging/jpeg_image.h"
#include "imaging/picture.h"

namespace vantora {
namespace {

constexpr char kId[] = "11010519491231002X";

// A labelled 1280x720 frame widened to 1080p by repeating pixels, as a
// 24-bit bitmap like the grabbed frame.
TBitmap Frame1080() {
  TJPEGImage jpeg;
  jpeg.LoadFromFile(VANTORA_GUIDE_DATA "/right-02-1280x720.jpg");
  TBitmap small;
  jpeg.AssignTo(small);
  small.SetPixelFormat(TPixelFormat::pf24bit);
  TBitmap frame;
  frame.NewDIB24(1920, 1080);
  for (int y = 0; y < 1080; ++y) {
    const std::uint8_t* from = small.ScanLine(y * 720 / 1080);
    std::uint8_t* to = frame.ScanLine(y);
    for (int x = 0; x < 1920; ++x) std::memcpy(to + x * 3, from + (x * 1280 / 1920) * 3, 3);
  }
  return frame;
}

std::unique_ptr<guide::TFaceDetector> detector;

void BM_TakeWithFaceCheck(benchmark::State& state) {
  const TBitmap frame = Frame1080();
  TPicture view;
  guide::TFaceVerdict verdict{};
  for (auto _ : state) {
    MakePortrait(frame, kId, true, view);
    const PortraitGeometry strip = PortraitGeometryFor(frame.Width(), frame.Height());
    const auto panel = guide::GreyPanelOfBitmap(frame, strip.sourceColumn, strip.width);
    verdict = guide::JudgeFace(detector->Find(*panel)).verdict;
  }
  state.SetLabel(guide::RuleHolds(verdict) ? "position right" : "rule does not hold");
}

void BM_TakeWithFaceCheck_Baseline(benchmark::State& state) {
  const TBitmap frame = Frame1080();
  TPicture view;
  for (auto _ : state) MakePortrait(frame, kId, true, view);
}

// The check's own parts, so their shares can be read off one run.
void BM_FaceCheck_GreyPanel(benchmark::State& state) {
  const TBitmap frame = Frame1080();
  const PortraitGeometry strip = PortraitGeometryFor(frame.Width(), frame.Height());
  for (auto _ : state) benchmark::DoNotOptimize(guide::GreyPanelOfBitmap(frame, strip.sourceColumn, strip.width));
}

void BM_FaceCheck_Find(benchmark::State& state) {
  const TBitmap frame = Frame1080();
  const PortraitGeometry strip = PortraitGeometryFor(frame.Width(), frame.Height());
  const auto panel = guide::GreyPanelOfBitmap(frame, strip.sourceColumn, strip.width);
  for (auto _ : state) benchmark::DoNotOptimize(detector->Find(*panel));
}

BENCHMARK(BM_TakeWithFaceCheck)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TakeWithFaceCheck_Baseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FaceCheck_GreyPanel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FaceCheck_Find)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vantora

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  vantora::detector = vantora::guide::TFaceDetector::Load();
  if (!vantora::detector) {
    std::fprintf(stderr, "face_check_bench: the cascades of opencv-data could not be loaded\n");
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
