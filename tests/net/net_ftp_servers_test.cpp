#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/peers/ftp_server_process.h"
#include "net/nw_exceptions.h"
#include "net/nw_ftp.h"
#include "tests/framework/open_descriptors.h"
#include "tests/support/private_network.h"
#include "tests/framework/temp_dir.h"

// The FTP client against real servers: pyftpdlib (which answers STOR with
// 125) and vsftpd (150). Three files of 0 bytes, 30 KB and 8 MB go over one
// control connection in active mode and must arrive byte for byte; a session
// vsftpd ended while idle is noticed and logged in again.
namespace vantora {
namespace {

std::string g_namespace_error;
std::string g_resolver_error;

struct LocalFile {
  std::string name;
  std::string bytes;
};

std::vector<LocalFile> ThreeFiles() {
  std::string photo(30 * 1024, '\0');
  for (std::size_t i = 0; i < photo.size(); ++i) photo[i] = static_cast<char>((i * 31) ^ (i >> 7));
  std::string big(8 << 20, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 131 + (i >> 12)) & 0xff);
  // Line ends and NUL inside must pass untouched in binary mode.
  photo.replace(100, 5, std::string("\r\n\0\n\r", 5));
  return {{"empty.jpg", ""}, {"11010119900101123X.jpg", photo}, {"big.bin", big}};
}

// A client logged in to the real server.
std::unique_ptr<TNwFTP> LoggedIn(const testing::FtpServerProcess& server, const std::string& user,
                                 const std::string& password) {
  auto ftp = std::make_unique<TNwFTP>();
  ftp->Host = "127.0.0.1";
  ftp->Port = server.Port();
  ftp->Username = user;
  ftp->Password = password;
  ftp->Connect(true);
  return ftp;
}

void StoreThreeFiles(const testing::FtpServerProcess& server, const std::string& user, const std::string& password) {
  testing::TempDir local;
  const auto files = ThreeFiles();
  auto client = LoggedIn(server, user, password);
  TNwFTP& ftp = *client;
  for (const LocalFile& file : files) {
    SCOPED_TRACE(file.name);
    ftp.Put(local.File(file.name, file.bytes), file.name);
    EXPECT_TRUE(ftp.LastCmdResult().NumericCode == 226 || ftp.LastCmdResult().NumericCode == 250);
    EXPECT_TRUE(ftp.Connected());
  }
  ftp.Disconnect();
  for (const LocalFile& file : files) {
    const std::string stored = server.Stored(file.name);
    EXPECT_EQ(stored.size(), file.bytes.size()) << file.name;
    EXPECT_TRUE(stored == file.bytes) << file.name << " arrived changed";
  }
}

// The server ends the session after an idle while (its 421, then the
// close): the client notices before the next store and logs in afresh.
void StoreAfterAnIdleTimeOut(const testing::FtpServerProcess& server, const std::string& user,
                             const std::string& password) {
  testing::TempDir local;
  const LocalFile photo{"after-idle.jpg", "photo after the idle time-out"};
  auto client = LoggedIn(server, user, password);
  TNwFTP& ftp = *client;
  // Only looking tells when the server has gone.
  const auto idle = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - idle < std::chrono::seconds(10)) {
    ftp.DropSessionIfServerLeft();
    if (!ftp.Connected()) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_FALSE(ftp.Connected());
  EXPECT_EQ(ftp.LastCmdResult().NumericCode, 421);
  ftp.Connect(true);
  ftp.Put(local.File(photo.name, photo.bytes), photo.name);
  ftp.Disconnect();
  EXPECT_EQ(server.Stored(photo.name), photo.bytes);
}

TEST(NetFtpServers, PyftpdlibStoresThreeFilesOverOneLogin) {
  const auto server = testing::FtpServerProcess::StartPyftpdlib("station", "pass word");
  StoreThreeFiles(server, "station", "pass word");
}

TEST(NetFtpServers, VsftpdStoresThreeFilesOverOneLogin) {
  if (!g_namespace_error.empty()) GTEST_SKIP() << "no private network: " << g_namespace_error;
  std::unique_ptr<testing::FtpServerProcess> server;
  try {
    server = std::make_unique<testing::FtpServerProcess>(testing::FtpServerProcess::StartVsftpd("vantoraftp", "s3cret", 2));
  } catch (const std::runtime_error& e) {
    GTEST_SKIP() << "vsftpd cannot run here: " << e.what();
  }
  StoreThreeFiles(*server, "vantoraftp", "s3cret");
  StoreAfterAnIdleTimeOut(*server, "vantoraftp", "s3cret");
}

std::size_t Threads() {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++n;
  return n;
}

// A server name no resolver answers for: the connect gives up at its bound,
// and the lookup it left behind ends on its own, leaving no thread and no
// descriptor behind.
TEST(NetFtpServers, ANameNoResolverAnswersForEndsAtTheConnectBound) {
  if (!g_resolver_error.empty()) GTEST_SKIP() << "no silent name server: " << g_resolver_error;
  const std::size_t threads = Threads();
  const int descriptors = testing::OpenFileDescriptors();
  TNwFTP ftp;
  ftp.Host = "station.invalid";
  ftp.ConnectTimeout = TNwTimeLimit::Milliseconds(1000);
  int hook_calls = 0;
  ftp.WaitHook = [&] { ++hook_calls; };
  const auto started = std::chrono::steady_clock::now();
  EXPECT_THROW(ftp.Connect(true), ENwConnectTimeout);
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_GE(took, std::chrono::milliseconds(950));
  EXPECT_LT(took, std::chrono::milliseconds(2000));
  EXPECT_GE(hook_calls, 10);  // the lookup's wait let it run every 50 ms
  // The resolver's own time-out is 3 s; nothing else tells when it is over.
  for (int i = 0; i < 200 && (Threads() != threads || testing::OpenFileDescriptors() != descriptors); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(Threads(), threads);
  EXPECT_EQ(testing::OpenFileDescriptors(), descriptors);
}

}  // namespace
}  // namespace vantora

int main(int argc, char** argv) {
  // Before any thread starts: the namespace is the process's. vsftpd listens
  // on port 21 there, out of everyone's way.
  vantora::g_namespace_error = vantora::testing::EnterPrivateNetwork();
  vantora::g_resolver_error =
      vantora::g_namespace_error.empty() ? vantora::testing::UseSilentNameServer() : vantora::g_namespace_error;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
