// The photo road from the click on "拍照" to the file on disk after "保存",
// for 640x480 and 1920x1080 test cameras: the whole path through the real
// handlers, and each of its steps (grab, crop, stamp, scale, encode, write)
// on its own, so their shares can be read off one run.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "app/main_window.h"
#include "app/photo_file.h"
#include "app/photo_save.h"
#include "app/portrait.h"
#include "pub/pub.h"
#include "capture/sample_grabber.h"
#include "framework/application.h"
#include "framework/image_control.h"
#include "framework/scripted_prompter.h"
#include "imaging/graphics.h"

namespace vantora {
namespace {

namespace fs = std::filesystem;

constexpr char kId[] = "11010519491231002X";

// One station with both cameras, a photo folder and a settings file of its own.
class Station {
 public:
  Station() : folder_(fs::temp_directory_path() / ("vantora-bench-" + std::to_string(::getpid()))) {
    fs::create_directories(folder_);
    setenv("VANTORA_TEST_CAMERAS", "640x480,1920x1080", 1);
    setenv("VANTORA_REGISTRY", (folder_ / "registry.reg").c_str(), 1);
    setenv("VANTORA_UPLOAD_RECORD", (folder_ / "uploads.sqlite").c_str(), 1);
    main_ = std::make_unique<TMain>();
    main_->show();
    // The cameras are listed once the window is on the screen.
    if (!QTest::qWaitForWindowExposed(main_.get())) throw std::runtime_error("the window did not show");
    main_->PhotoPath = folder_.string();
    main_->SetEdit1Text(kId);
  }
  ~Station() {
    main_.reset();
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  // Chooses the camera whose frames are `width` wide and waits for a frame.
  TMain& Using(int width) {
    if (width != current_) {
      main_->Devices->actions().at(width == 640 ? 0 : 1)->trigger();
      TBitmap probe;
      if (!QTest::qWaitFor([&] { return main_->SampleGrabber->GrabFrame(probe) && probe.Width() == width; },
                           10000)) {
        throw std::runtime_error("the test camera delivered no frame");
      }
      current_ = width;
    }
    return *main_;
  }

  std::string PhotoFile() const { return PhotoFileNameFor(folder_.string(), kId); }

 private:
  testing::ScriptedPrompter prompter_;
  fs::path folder_;
  std::unique_ptr<TMain> main_;
  int current_ = 0;
};

Station* station = nullptr;

TBitmap Frame(int width) {
  TBitmap frame;
  station->Using(width).SampleGrabber->GrabFrame(frame);
  return frame;
}

void BM_TakeAndSave(benchmark::State& state) {
  TMain& m = station->Using(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    m.BitBtn1Click();
    fs::remove(station->PhotoFile());  // no overwrite question
    m.BitBtn2Click();
  }
}

void BM_Step1_Grab(benchmark::State& state) {
  TMain& m = station->Using(static_cast<int>(state.range(0)));
  TBitmap frame;
  for (auto _ : state) benchmark::DoNotOptimize(m.SampleGrabber->GrabFrame(frame));
}

void BM_Step2_Crop(benchmark::State& state) {
  const TBitmap frame = Frame(static_cast<int>(state.range(0)));
  TPicture view;
  for (auto _ : state) view.Assign(CutPortrait(frame));
}

void BM_Step3_Stamp(benchmark::State& state) {
  const TBitmap portrait = CutPortrait(Frame(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    state.PauseTiming();
    TBitmap photo(portrait);
    photo.ScanLine(0);  // its own pixels, as the photo view's bitmap has
    state.ResumeTiming();
    StampIdBand(photo, kId);
  }
}

void BM_Step4_Scale(benchmark::State& state) {
  TBitmap photo = CutPortrait(Frame(static_cast<int>(state.range(0))));
  StampIdBand(photo, kId);
  for (auto _ : state) benchmark::DoNotOptimize(ScalePhotoForSave(photo));
}

void BM_Step5_Encode(benchmark::State& state) {
  TBitmap photo = CutPortrait(Frame(static_cast<int>(state.range(0))));
  const TBitmap scaled = ScalePhotoForSave(photo);
  for (auto _ : state) {
    TJPEGImage jpeg;
    jpeg.Assign(scaled);
    jpeg.Compress();
  }
}

void BM_Step6_Write(benchmark::State& state) {
  TJPEGImage jpeg;
  jpeg.Assign(ScalePhotoForSave(CutPortrait(Frame(static_cast<int>(state.range(0))))));
  jpeg.Compress();
  const std::string file = station->PhotoFile();
  for (auto _ : state) jpeg.SaveToFile(file);
}

// "拍照" after the grab, at the heart of the take path: the frame cut to the
// portrait and stamped with the ID, as the handler does it.
void BM_Take(benchmark::State& state) {
  const TBitmap frame = Frame(static_cast<int>(state.range(0)));
  TPicture view;
  for (auto _ : state) MakePortrait(frame, kId, true, view);
}

// The floor under it: the portrait's bytes copied out of the frame's rows
// as they are, with no widening, no band and no text.
void BM_Take_Baseline(benchmark::State& state) {
  const TBitmap frame = Frame(static_cast<int>(state.range(0)));
  const int height = frame.Height();
  const int width = static_cast<int>(static_cast<long long>(height) * 228 / 303);
  const int column = (frame.Width() - width) / 2;
  std::vector<std::uint8_t> portrait(static_cast<std::size_t>(width) * 3 * static_cast<std::size_t>(height));
  for (auto _ : state) {
    for (int y = 0; y < height; ++y) {
      std::memcpy(portrait.data() + static_cast<std::size_t>(y) * width * 3, frame.ScanLine(y) + column * 3,
                  static_cast<std::size_t>(width) * 3);
    }
    benchmark::ClobberMemory();
  }
}

#define PHOTO_ROAD(fn) BENCHMARK(fn)->Arg(640)->Arg(1920)->Unit(benchmark::kMicrosecond)
PHOTO_ROAD(BM_TakeAndSave);
PHOTO_ROAD(BM_Take);
PHOTO_ROAD(BM_Take_Baseline);
PHOTO_ROAD(BM_Step1_Grab);
PHOTO_ROAD(BM_Step2_Crop);
PHOTO_ROAD(BM_Step3_Stamp);
PHOTO_ROAD(BM_Step4_Scale);
PHOTO_ROAD(BM_Step5_Encode);
PHOTO_ROAD(BM_Step6_Write);

}  // namespace
}  // namespace vantora

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  vantora::TApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  vantora::Station s;
  vantora::station = &s;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
