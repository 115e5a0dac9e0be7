#include "app/startup_warmup.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace vantora {
namespace {

using namespace std::chrono_literals;

TEST(StartupWarmUp, EveryJobRunsAndHasFinishedWhenTheWarmUpGoes) {
  std::atomic<int> done{0};
  {
    auto slow = [&] {
      std::this_thread::sleep_for(30ms);
      ++done;
    };
    StartupWarmUp warmUp({slow, slow, [&] { ++done; }});
  }
  EXPECT_EQ(done.load(), 3);
  StartupWarmUp none({});  // nothing to do is no fault
}

TEST(StartupWarmUp, AFailingJobNeitherEscapesNorStopsTheOthers) {
  std::atomic<int> done{0};
  {
    StartupWarmUp warmUp({[] { throw std::runtime_error("no fonts"); }, [&] { ++done; },
                          [] { throw 42; }, [&] { ++done; }});
  }
  EXPECT_EQ(done.load(), 2);
}

// The point of the warm-up: the caller goes on while the jobs run. A job
// run on the caller's thread would wait here for a flag never set.
TEST(StartupWarmUp, TheCallerGoesOnWhileTheJobsRun) {
  std::mutex mutex;
  std::condition_variable changed;
  bool callerWentOn = false;
  bool jobSawIt = false;
  std::thread::id jobThread;
  {
    StartupWarmUp warmUp({[&] {
      std::unique_lock lock(mutex);
      jobThread = std::this_thread::get_id();
      jobSawIt = changed.wait_for(lock, 5s, [&] { return callerWentOn; });
    }});
    std::lock_guard lock(mutex);
    callerWentOn = true;
    changed.notify_all();
  }
  EXPECT_TRUE(jobSawIt);
  EXPECT_NE(jobThread, std::this_thread::get_id());
}

}  // namespace
}  // namespace vantora
