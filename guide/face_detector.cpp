#include "guide/face_detector.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <opencv2/core.hpp>
#include <opencv2/objdetect.hpp>

namespace vantora::guide {
namespace {

// LBP's "improved" frontal cascade rather than the Haar ones: on the labelled
// set it found every face the Haar cascades found and two more cut by the
// edge, gave no false face where Haar gave one, and took a quarter to a
// third of their time per panel.
constexpr char kFaceCascade[] = "/lbpcascades/lbpcascade_frontalface_improved.xml";
constexpr char kEyeCascade[] = "/haarcascades/haarcascade_eye.xml";

constexpr double kScaleStep = 1.1;
constexpr int kFaceNeighbours = 4;
// The face cascade's own window: nothing smaller can be seen at all. A head
// half the size the lines frame still gives a box this large, so a face far
// too small reads as "move closer" rather than as none.
constexpr int kSmallestFace = 45;
constexpr int kEyeNeighbours = 3;

cv::Rect Upper(const cv::Rect& face) { return {face.x, face.y, face.width, face.height / 2}; }

// The row of both eyes: one eye cascade hit left of the box's middle and one
// right of it, each the nearest to where eyes sit in such a box, and not
// more than a fifth of the box apart in height (a brow, a nostril or a
// strongly tilted head otherwise).
std::optional<int> EyeLine(cv::CascadeClassifier& eyes, const cv::Mat& grey, const cv::Rect& face) {
  const cv::Rect upper = Upper(face);
  std::vector<cv::Rect> hits;
  eyes.detectMultiScale(grey(upper), hits, kScaleStep, kEyeNeighbours, 0, cv::Size(face.width / 8, face.width / 8),
                        cv::Size(face.width / 2, face.width / 2));
  const int expectedRow = face.height * kEyeRowInFacePercent / 100;
  std::optional<int> left, right;
  for (const cv::Rect& e : hits) {
    const int cx = e.x + e.width / 2, cy = e.y + e.height / 2;
    std::optional<int>& side = cx < face.width / 2 ? left : right;
    if (!side || std::abs(cy - expectedRow) < std::abs(*side - expectedRow)) side = cy;
  }
  if (!left || !right || std::abs(*left - *right) > face.width / 5) return std::nullopt;
  return face.y + (*left + *right + 1) / 2;
}

}  // namespace

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
    if (!impl->face.load(folder + kFaceCascade)) return nullptr;
    if (!impl->eyes.load(folder + kEyeCascade)) return nullptr;
  } catch (const cv::Exception&) {
    return nullptr;
  }
  // A panel is small: spreading one search over both of the station's cores
  // gains little and takes the core the preview needs. This is OpenCV's own
  // setting, and the face guide is its only user in the station.
  cv::setNumThreads(1);
  return std::unique_ptr<TFaceDetector>(new TFaceDetector(std::move(impl)));
}

namespace {

TFaceFinding Search(TFaceDetector::Impl& impl, const TGreyPanel& panel, const cv::Rect& area, int smallest,
                    int largest, bool withEyes) {
  std::lock_guard lock(impl.turn);
  const cv::Mat whole(kPanelHeight, kPanelWidth, CV_8UC1, const_cast<std::uint8_t*>(panel.pixels.data()));
  const cv::Mat grey = whole(area);
  std::vector<cv::Rect> faces;
  if (grey.cols >= smallest && grey.rows >= smallest) {
    impl.face.detectMultiScale(grey, faces, kScaleStep, kFaceNeighbours, 0, cv::Size(smallest, smallest),
                                 largest > 0 ? cv::Size(largest, largest) : cv::Size());
  }
  for (cv::Rect& r : faces) r += area.tl();
  std::stable_sort(faces.begin(), faces.end(), [](const cv::Rect& a, const cv::Rect& b) { return a.area() > b.area(); });
  // A box whose middle lies inside a larger face is part of that face (the
  // cascade sees a small "face" in the hair of a large one), not a second
  // person.
  std::vector<cv::Rect> separate;
  for (const cv::Rect& r : faces) {
    const cv::Point middle(r.x + r.width / 2, r.y + r.height / 2);
    if (std::none_of(separate.begin(), separate.end(), [&](const cv::Rect& larger) { return larger.contains(middle); })) {
      separate.push_back(r);
    }
  }
  faces = std::move(separate);
  TFaceFinding finding;
  for (const cv::Rect& r : faces) finding.faces.push_back({r.x, r.y, r.width, r.height});
  if (withEyes && faces.size() == 1) finding.eyeLine = EyeLine(impl.eyes, whole, faces.front());
  return finding;
}

}  // namespace

TFaceFinding TFaceDetector::Find(const TGreyPanel& panel) const {
  return Search(*impl_, panel, cv::Rect(0, 0, kPanelWidth, kPanelHeight), kSmallestFace, 0, true);
}

TFaceFinding TFaceDetector::FindNear(const TGreyPanel& panel, const TBox& near) const {
  // A quarter of a face's width of room on every side, and sizes from three
  // quarters to four thirds of its own: a person sitting for a photo moves
  // less than that in half a second, and one who moves more is found by
  // the search of the whole panel that follows.
  const int room = near.width / 4;
  const cv::Rect area = cv::Rect(near.x - room, near.y - room, near.width + 2 * room, near.height + 2 * room) &
                        cv::Rect(0, 0, kPanelWidth, kPanelHeight);
  return Search(*impl_, panel, area, std::max(kSmallestFace, near.width * 3 / 4), near.width * 4 / 3,
                false);
}

}  // namespace vantora::guide
