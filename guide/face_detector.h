#pragma once
// Frontal faces and their eyes in a grey panel, with OpenCV's cascades as
// Debian installs them (opencv-data). Load() answers none when a cascade file
// is missing or unreadable: the station then runs without the face check.
#include <memory>
#include <string>

#include "guide/face_rule.h"
#include "guide/grey_panel.h"

namespace vantora::guide {

class TFaceDetector {
 public:
  // The cascades from $VANTORA_FACE_CASCADES when it is set (a folder
  // holding the files under the names Debian gives them), else from
  // /usr/share/opencv4.
  static std::unique_ptr<TFaceDetector> Load();
  static std::unique_ptr<TFaceDetector> Load(const std::string& folder);
  ~TFaceDetector();
  TFaceDetector(const TFaceDetector&) = delete;
  TFaceDetector& operator=(const TFaceDetector&) = delete;

  // Safe from any thread; calls from two threads take turns.
  TFaceFinding Find(const TGreyPanel& panel) const;
  // The same search, only around `near` (a face found a moment ago) and at
  // sizes close to its own, and without the eyes (their search costs more
  // than the face's here): several times cheaper, for following one face in
  // the live picture. None found there is no verdict; search all of it then.
  TFaceFinding FindNear(const TGreyPanel& panel, const TBox& near) const;

  struct Impl;

 private:
  explicit TFaceDetector(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace vantora::guide
