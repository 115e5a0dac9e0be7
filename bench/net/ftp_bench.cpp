// Storing photos on a real FTP server (pyftpdlib on loopback) over one
// control connection: the client against curl in active mode (--ftp-port),
// also one process and one connection, storing the same files in the same run.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/peers/ftp_server_process.h"
#include "net/nw_ftp.h"

namespace {

constexpr int kFilesPerRun = 300;
constexpr std::size_t kFileSize = 30 * 1024;
constexpr const char kUser[] = "station";
constexpr const char kPassword[] = "bench";

// 300 different 30 KB files in a folder of their own.
class PhotoFolder {
 public:
  PhotoFolder() {
    char name[] = "/tmp/vantora-ftp-bench-XXXXXX";
    dir_ = ::mkdtemp(name);
    std::string bytes(kFileSize, '\0');
    for (int f = 0; f < kFilesPerRun; ++f) {
      for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 13 + static_cast<std::size_t>(f)) & 0xff);
      names_.push_back("photo" + std::to_string(f) + ".jpg");
      std::ofstream(dir_ + "/" + names_.back(), std::ios::binary) << bytes;
    }
  }
  ~PhotoFolder() { std::filesystem::remove_all(dir_); }
  const std::string& Dir() const { return dir_; }
  const std::vector<std::string>& Names() const { return names_; }

 private:
  std::string dir_;
  std::vector<std::string> names_;
};

void CountFiles(benchmark::State& state) {
  state.counters["files_per_s"] = benchmark::Counter(
      static_cast<double>(kFilesPerRun) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_FtpStore30KB_x300(benchmark::State& state) {
  const auto server = vantora::testing::FtpServerProcess::StartPyftpdlib(kUser, kPassword);
  PhotoFolder photos;
  for (auto _ : state) {
    vantora::TNwFTP ftp;
    ftp.Host = "127.0.0.1";
    ftp.Port = server.Port();
    ftp.Username = kUser;
    ftp.Password = kPassword;
    ftp.Connect(true);
    for (const std::string& name : photos.Names()) ftp.Put(photos.Dir() + "/" + name, name);
    ftp.Disconnect();
  }
  if (server.Stored(photos.Names().back()).size() != kFileSize) state.SkipWithError("the last file did not arrive");
  CountFiles(state);
}
BENCHMARK(BM_FtpStore30KB_x300)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// curl with one configuration naming all 300 uploads: one process, one
// login, active mode with PORT as ours.
void BM_FtpStore30KB_x300_Baseline(benchmark::State& state) {
  const auto server = vantora::testing::FtpServerProcess::StartPyftpdlib(kUser, kPassword);
  PhotoFolder photos;
  const std::string config = photos.Dir() + "/curl.cfg";
  {
    std::ofstream out(config);
    for (const std::string& name : photos.Names()) {
      out << "upload-file = \"" << photos.Dir() << "/" << name << "\"\n"
          << "url = \"ftp://127.0.0.1:" << server.Port() << "/" << name << "\"\n";
    }
  }
  const std::string command = std::string("curl -s -S --ftp-port 127.0.0.1 --disable-eprt -u ") + kUser + ":" +
                              kPassword + " -K " + config;
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("curl failed");
      break;
    }
  }
  if (server.Stored(photos.Names().back()).size() != kFileSize) state.SkipWithError("the last file did not arrive");
  CountFiles(state);
}
BENCHMARK(BM_FtpStore30KB_x300_Baseline)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
