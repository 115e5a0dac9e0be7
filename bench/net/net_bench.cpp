// Posting photos over loopback: the client against curl on the same receiver,
// and a 200 MB post to show the body is streamed, not held.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "net/nw_http.h"
#include "net/nw_multipart.h"

namespace {

constexpr int kPostsPerRun = 500;

std::string PhotoPath() {
  const char* dir = std::getenv("VANTORA_TESTDATA");
  // landscape-1024x768.jpg is the 30 KB-class photo among the samples.
  return std::string(dir ? dir : VANTORA_BENCH_TESTDATA) + "/landscape-1024x768.jpg";
}

// A loopback receiver: reads each request by its Content-Length, answers 200
// and closes, so every post needs a new connection.
class Receiver {
 public:
  Receiver() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(fd_, 64);
    socklen_t len = sizeof addr;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~Receiver() {
    stop_ = true;
    thread_.join();
    ::close(fd_);
  }
  int Port() const { return port_; }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/clientupload.jsp?fname=img"; }

 private:
  void Serve() {
    std::vector<char> buffer(1 << 16);
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      const int c = ::accept(fd_, nullptr, nullptr);
      if (c < 0) continue;
      std::string head;
      std::size_t end;
      while ((end = head.find("\r\n\r\n")) == std::string::npos) {
        const ssize_t n = ::recv(c, buffer.data(), buffer.size(), 0);
        if (n <= 0) break;
        head.append(buffer.data(), static_cast<std::size_t>(n));
      }
      if (end == std::string::npos) {
        ::close(c);
        continue;
      }
      long long remaining = 0;
      for (const char* name : {"Content-Length: ", "content-length: "}) {
        const std::size_t at = head.find(name);
        if (at != std::string::npos) remaining = std::atoll(head.c_str() + at + 16);
      }
      if (head.find("100-continue") != std::string::npos) {
        static const char kContinue[] = "HTTP/1.1 100 Continue\r\n\r\n";
        ::send(c, kContinue, sizeof kContinue - 1, MSG_NOSIGNAL);
      }
      remaining -= static_cast<long long>(head.size() - end - 4);
      while (remaining > 0) {
        const ssize_t n = ::recv(c, buffer.data(), buffer.size(), 0);
        if (n <= 0) break;
        remaining -= n;
      }
      static const char kAnswer[] = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";
      ::send(c, kAnswer, sizeof kAnswer - 1, MSG_NOSIGNAL);
      ::close(c);
    }
  }

  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

void PostOnce(vantora::TNwHTTP& http, const std::string& url, const std::string& path) {
  vantora::TNwMultiPartFormDataStream body;
  body.AppendFilePart("file1", path, "");
  body.Seek(0, vantora::TNwSeekOrigin::soBeginning);
  http.Request().ContentType = body.MultipartContentType();
  http.PostMultipart(url, body);
}

void BM_Post30KB_x500(benchmark::State& state) {
  Receiver receiver;
  vantora::TNwHTTP http;
  const std::string path = PhotoPath();
  for (auto _ : state) {
    for (int i = 0; i < kPostsPerRun; ++i) PostOnce(http, receiver.Url(), path);
  }
  state.counters["posts_per_s"] =
      benchmark::Counter(static_cast<double>(kPostsPerRun) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Post30KB_x500)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The baseline: curl in one process with 500 addresses: no process start per post, and
// "Connection: close" makes every post open a new connection, as ours do.
void BM_Post30KB_x500_Baseline(benchmark::State& state) {
  Receiver receiver;
  const std::string config = "/tmp/vantora-net-bench-curl-" + std::to_string(::getpid()) + ".cfg";
  {
    std::ofstream out(config);
    for (int i = 0; i < kPostsPerRun; ++i) out << "url = \"" << receiver.Url() << "\"\noutput = \"/dev/null\"\n";
  }
  const std::string command = "curl -s -H 'Connection: close' -F file1=@" + PhotoPath() +
                              " -K " + config;
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("curl failed");
      break;
    }
  }
  std::filesystem::remove(config);
  state.counters["posts_per_s"] =
      benchmark::Counter(static_cast<double>(kPostsPerRun) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Post30KB_x500_Baseline)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

long PeakRssKb() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Peak memory before and after posting a 200 MB file: the growth stays at
// buffer sizes when the body is streamed from the file. The client runs
// under the station's time limit, so the whole 200 MB exchange must also fit
// in its 60 s deadline, with every send waiting for room under it.
void BM_Post200MB(benchmark::State& state) {
  Receiver receiver;
  const std::string path = "/tmp/vantora-net-bench-200mb-" + std::to_string(::getpid()) + ".bin";
  {
    std::ofstream out(path, std::ios::binary);
    std::string block(1 << 20, '\x5a');
    for (int i = 0; i < 200; ++i) out.write(block.data(), static_cast<std::streamsize>(block.size()));
  }
  vantora::TNwHTTP http;
  http.ReadTimeout = vantora::TNwTimeLimit::Milliseconds(60'000);
  PostOnce(http, receiver.Url(), PhotoPath());  // warm up: the client's own buffers exist
  const long before = PeakRssKb();
  for (auto _ : state) PostOnce(http, receiver.Url(), path);
  const long after = PeakRssKb();
  std::filesystem::remove(path);
  state.counters["peak_rss_before_MB"] = static_cast<double>(before) / 1024.0;
  state.counters["peak_rss_growth_MB"] = static_cast<double>(after - before) / 1024.0;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 200 * (1 << 20));
}
BENCHMARK(BM_Post200MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
