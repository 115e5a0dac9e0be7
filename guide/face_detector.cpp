#include "guide/face_detector.h"

#include <cstdlib>
#include <mutex>
#include <opencv2/core.hpp>
#include <opencv2/objdetect.hpp>

namespace vantora::guide {

struct TFaceDetector::Impl {
  cv::CascadeClassifier face;
  cv::CascadeClassifier eyes;
  mutable std::mutex turn;
};

TFaceDetector::TFaceDetector(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
TFaceDetector::~TFaceDetector() = default;

std::unique_ptr<TFaceDetector> TFaceDetector::Load() {
  const char* folder = std::getenv("VANTORA_FACE_CASCADES");
  return Load(folder && *folder ? folder : "/usr/share/opencv4");
}

std::unique_ptr<TFaceDetector> TFaceDetector::Load(const std::string& folder) {
  auto impl = std::make_unique<Impl>();
  try {
    if (!impl->face.load(folder + "/haarcascades/haarcascade_frontalface_default.xml")) return nullptr;
    if (!impl->eyes.load(folder + "/haarcascades/haarcascade_eye.xml")) return nullptr;
  } catch (const cv::Exception&) {
    return nullptr;
  }
  return std::unique_ptr<TFaceDetector>(new TFaceDetector(std::move(impl)));
}

TFaceFinding TFaceDetector::Find(const TGreyPanel& panel) const {
  std::lock_guard lock(impl_->turn);
  cv::Mat grey(kPanelHeight, kPanelWidth, CV_8UC1, const_cast<std::uint8_t*>(panel.pixels.data()));
  std::vector<cv::Rect> faces;
  impl_->face.detectMultiScale(grey, faces, 1.1, 4, 0, cv::Size(40, 40));
  TFaceFinding finding;
  for (const cv::Rect& r : faces) finding.faces.push_back({r.x, r.y, r.width, r.height});
  return finding;
}

}  // namespace vantora::guide
