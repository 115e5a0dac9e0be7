#pragma once
// What a process needs in its environment to see the emulated cameras: our
// preload helper before umockdev's preload library, and the testbed's root.
// GST_V4L2_USE_LIBV4L2 must stay unset (libv4l2 makes raw system calls that
// the preload libraries never see), and its GStreamer registry must have
// been built outside the emulation (the v4l2 plugin probes device nodes
// while the registry is built, and a plugin that fails then is blacklisted).

#include <string>
#include <utility>
#include <vector>

namespace vantora::testing {

std::vector<std::pair<std::string, std::string>> StationEnvironment(const std::string& testbed_root,
                                                                    const std::string& registry);

// A GStreamer registry at `path`, built (or brought up to date) by
// gst-inspect-1.0 in an environment without the emulation.
void BuildRegistry(const std::string& path);

// This program's path, and the registry file kept beside it.
std::string ProgramPath();
std::string ProgramRegistry();

// The LD_PRELOAD value alone.
std::string EmulationPreload();

// umockdev's preload library: the emulator itself runs with it, since the
// uevents it sends are read back through the emulated sysfs.
std::string UmockdevPreload();

// Whether this process runs with `preload` in LD_PRELOAD.
bool RunsWithPreload(const std::string& preload);

// Runs this program again with `preload` in LD_PRELOAD unless it is there
// already (sanitizer builds are told that their runtime need not come
// first). Returns only when nothing had to be done.
void ReexecWithPreload(const std::string& preload, char** argv);

}  // namespace vantora::testing
