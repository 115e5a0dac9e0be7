// The imaging layer's two hot paths: turning a camera frame into the
// stamped portrait, and scaling a portrait to 303 rows and compressing it.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "imaging/graphics.h"

namespace vantora {
namespace {

TBitmap Frame(int width, int height) {
  TBitmap frame;
  frame.NewDIB24(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = frame.ScanLine(y);
    for (int x = 0; x < width * 3; ++x) row[x] = static_cast<std::uint8_t>((x * 7 + y * 3) & 0xFF);
  }
  return frame;
}

// 1920 x 1080 frame -> 813 x 1080 portrait cut from column 554, with the
// white band and the ID number printed in it.
void BM_StampPortraitFromFullHdFrame(benchmark::State& state) {
  const TBitmap frameTarget = Frame(1920, 1080);
  TPicture view;
  for (auto _ : state) {
    TBitmap frame(frameTarget);
    TBitmap portrait;
    portrait.SetHeight(1080);
    portrait.SetWidth(813);
    portrait.Canvas().CopyFrom(0, 0, 813, 1080, frame.Canvas(), 554, 0);
    view.Assign(portrait);
    TCanvas& canvas = view.Bitmap().Canvas();
    canvas.Brush().SetColor(0xFFFFFF);
    canvas.Font().SetSize(24);
    canvas.Font().SetColor(0x000000);
    canvas.FillRect({0, 1080 - 35, 813, 1080});
    const std::string id = "11010119900101123X";
    canvas.TextOut((813 - canvas.TextWidth(id)) / 2, 1080 - 35, id);
    benchmark::DoNotOptimize(view.Bitmap().Pixels().get());
  }
}
BENCHMARK(BM_StampPortraitFromFullHdFrame)->Unit(benchmark::kMillisecond);

// The portrait a 640 x 480 camera picture gives: a real photo, so that the
// codec sees the detail it sees in the station rather than noise.
TBitmap Portrait() {
  TJPEGImage sample;
  sample.LoadFromFile(VANTORA_TESTDATA_DIR "/photo-640x480.jpg");
  TBitmap frame;
  frame.Assign(sample);
  TBitmap portrait;
  portrait.SetHeight(480);
  portrait.SetWidth(361);
  portrait.Canvas().CopyFrom(0, 0, 361, 480, frame.Canvas(), 139, 0);
  return portrait;
}

// The whole save path from the photo view's 361 x 480 bitmap to the bytes of
// a 228 x 303 JPEG file, step for step as the save does it.
void BM_SaveScaledPortraitJpeg(benchmark::State& state) {
  const TBitmap photo = Portrait();
  std::size_t bytes = 0;
  for (auto _ : state) {
    TBitmap work;
    TJPEGImage jpeg;
    work.Assign(photo);
    jpeg.Assign(work);
    work.SetHeight(303);
    work.SetWidth(228);
    work.SetPixelFormat(TPixelFormat::pf24bit);
    work.Canvas().StretchDraw(work.Canvas().ClipRect(), &jpeg);
    jpeg.Assign(work);
    const std::vector<std::uint8_t> out = jpeg.SaveToBytes();
    bytes = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_SaveScaledPortraitJpeg)->Unit(benchmark::kMicrosecond);

// libjpeg-turbo alone compressing the same 228 x 303 pixels at quality 90.
void BM_SaveScaledPortraitJpeg_Baseline(benchmark::State& state) {
  TBitmap scaled;
  scaled.SetPixelFormat(TPixelFormat::pf24bit);
  scaled.SetHeight(303);
  scaled.SetWidth(228);
  const TBitmap photo = Portrait();
  scaled.Canvas().StretchDraw(scaled.Canvas().ClipRect(), &photo);
  std::vector<std::uint8_t> pixels;
  for (int y = 0; y < 303; ++y) {
    const std::uint8_t* row = static_cast<const TBitmap&>(scaled).ScanLine(y);
    pixels.insert(pixels.end(), row, row + 228 * 3);
  }
  std::vector<JSAMPROW> rows(303);
  for (int y = 0; y < 303; ++y) rows[static_cast<std::size_t>(y)] = pixels.data() + static_cast<std::size_t>(y) * 228 * 3;
  for (auto _ : state) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = 228;
    cinfo.image_height = 303;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    jpeg_write_scanlines(&cinfo, rows.data(), 303);
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    benchmark::DoNotOptimize(out);
    std::free(out);
  }
}
BENCHMARK(BM_SaveScaledPortraitJpeg_Baseline)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vantora

BENCHMARK_MAIN();
