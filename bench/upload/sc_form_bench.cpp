// A batch of 300 photos of 640x480 through the FTP upload dialog to a
// loopback pyftpdlib on port 21 (the dialog's fixed port, served inside a
// private network namespace), against the FTP client alone storing the same
// 300 photos already rescaled, in the same run. The rescale alone is measured
// too, so its share of a run can be read off.
#include <benchmark/benchmark.h>

#include <QPushButton>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/scripted_prompter.h"
#include "framework/string_grid.h"
#include "tests/upload/ftp_peer_process.h"
#include "net/nw_ftp.h"
#include "tests/support/private_network.h"
#include "pub/pub.h"
#include "pub/resize_jpeg.h"
#include "upload/sc_form.h"

namespace vantora {
namespace {

namespace fs = std::filesystem;

constexpr int kPhotos = 300;
constexpr char kUser[] = "bench";
constexpr char kPassword[] = "secret";

// The folders, the server and the dialog shared by every benchmark.
class Bench {
 public:
  Bench()
      : root_(fs::temp_directory_path() / ("vantora-sc-bench-" + std::to_string(::getpid()))),
        home_(ServerFolder()) {
    fs::create_directories(home_);
    fs::create_directories(root_ / "local");
    fs::create_directories(root_ / "rescaled");
    setenv("VANTORA_REGISTRY", (root_ / "registry.reg").c_str(), 1);
    server_ = std::make_unique<testing::FtpPeerProcess>(21, home_.string(), kUser, kPassword);
    for (int i = 0; i < kPhotos; ++i) {
      const fs::path rescaled = Rescaled(i);
      fs::copy_file(VANTORA_BENCH_PHOTO, rescaled);
      ResizeJpegInPlace(rescaled.string());
    }
    UserInfo = {"127.0.0.1", "", kUser, kPassword, ""};
    form_ = std::make_unique<TScForm>();
    form_->show();
  }
  ~Bench() {
    form_.reset();
    server_.reset();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
    fs::remove_all(home_, ignored);
  }

  // A real server keeps its files on another machine. Here its folder goes
  // to memory when it can: on the photos' own disk, each flush of a
  // rescaled photo would also wait for the server's writes of the files
  // sent before it, which is a cost of the benchmark, not of the dialog.
  static fs::path ServerFolder() {
    const fs::path shm = "/dev/shm";
    const fs::path base = fs::is_directory(shm) ? shm : fs::temp_directory_path();
    return base / ("vantora-sc-bench-home-" + std::to_string(::getpid()));
  }

  fs::path Local(int i) const { return root_ / "local" / (std::to_string(i) + ".jpg"); }
  fs::path Rescaled(int i) const { return root_ / "rescaled" / (std::to_string(i) + ".jpg"); }

  // Fresh 640x480 copies, so every run rescales every photo.
  void CopyOriginals() const {
    for (int i = 0; i < kPhotos; ++i) fs::copy_file(VANTORA_BENCH_PHOTO, Local(i), fs::copy_options::overwrite_existing);
  }

  // The list of 300 photos, built through "添加照片".
  void FillList() {
    form_->BitBtn3->click();
    for (int i = 0; i < kPhotos; ++i) {
      prompter_.AnswerNextFile(Local(i).string());
      form_->BitBtn1->click();
    }
    prompter_.Clear();
  }

  // One run through "上传照片"; false unless every row was sent.
  bool Run() {
    prompter_.AnswerNextBox(MsgButton::Yes);
    form_->BitBtn2->click();
    bool all = true;
    for (int row = 1; row <= kPhotos; ++row) all = all && form_->sg->Cell(2, row) == "上传成功";
    return all;
  }

 private:
  testing::ScriptedPrompter prompter_;
  fs::path root_;
  fs::path home_;
  std::unique_ptr<testing::FtpPeerProcess> server_;
  std::unique_ptr<TScForm> form_;
};

Bench* bench = nullptr;

// The whole dialog: rescale each photo in place, then store it.
void BM_ScFormRun300(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    bench->CopyOriginals();
    bench->FillList();
    state.ResumeTiming();
    if (!bench->Run()) state.SkipWithError("a row failed");
  }
  state.SetItemsProcessed(state.iterations() * kPhotos);
}
BENCHMARK(BM_ScFormRun300)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The rescale alone, on the same photos.
void BM_ScFormRun300_RescaleOnly(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    bench->CopyOriginals();
    state.ResumeTiming();
    for (int i = 0; i < kPhotos; ++i) ResizeJpegInPlace(bench->Local(i).string());
  }
  state.SetItemsProcessed(state.iterations() * kPhotos);
}
BENCHMARK(BM_ScFormRun300_RescaleOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The FTP client alone storing the 300 photos already rescaled, over one
// login as the dialog does.
void BM_ScFormRun300_Baseline(benchmark::State& state) {
  for (auto _ : state) {
    TNwFTP ftp;
    ftp.Host = "127.0.0.1";
    ftp.Username = kUser;
    ftp.Password = kPassword;
    ftp.Connect(true);
    for (int i = 0; i < kPhotos; ++i) ftp.Put(bench->Rescaled(i).string(), std::to_string(i) + ".jpg");
    ftp.Disconnect();
  }
  state.SetItemsProcessed(state.iterations() * kPhotos);
}
BENCHMARK(BM_ScFormRun300_Baseline)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
}  // namespace vantora

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (const std::string error = vantora::testing::EnterPrivateNetwork(); !error.empty()) {
    std::fprintf(stderr, "no private network namespace for port 21: %s\n", error.c_str());
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  vantora::TApplication application(argc, argv);
  vantora::Bench bench;
  vantora::bench = &bench;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
