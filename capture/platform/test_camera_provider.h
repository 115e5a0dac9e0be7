#pragma once
// The station's own device provider: live test-pattern cameras listed after
// the real ones (rank 64, below v4l2's 256), so that tests and camera-less
// machines go through exactly the code a real camera goes through.

namespace vantora::capture {

inline constexpr const char* kTestCameraApi = "vantora-test";

// Registers the provider with GStreamer; called once, after gst_init.
void RegisterTestCameraProvider();

// How often the provider has been asked for its cameras, so tests can see
// that choosing a camera opens no device listing.
int TestCameraProbes();

}  // namespace vantora::capture
