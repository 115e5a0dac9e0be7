#pragma once
// What an emulated camera films. By default the coded picture of each frame
// number (coded_picture.h); a test may instead put portraits (the astronaut
// of data/, a public-domain NASA picture) on a plain or a coded background,
// each placed by where its face goes, and let them sway from frame to frame
// as a sitter does. Placements are in the pixels of the station's 228x303
// video panel, which shows exactly the middle strip of the frame the
// portrait is cut from (width Round(H*228/303), full height), so a test
// speaks in the guide lines' own rows and columns whatever the camera's
// mode. Written as text for the emulator's command line:
//   coded                               the coded picture alone
//   plain sway=6 face=114,140,120       one portrait on a plain backdrop
//   coded face=57,140,80 face=171,140,80
// face=CX,EYES,WIDTH: the face's middle column, its eye row and its width.

#include <cstdint>
#include <string>
#include <vector>

#include "tests/usb_camera/coded_picture.h"

namespace vantora::testing {

struct FacePlacement {
  double centre = 114;  // panel column of the face's middle
  double eyes = 140;    // panel row of the eyes
  double width = 120;   // the face's width, as the frontal face cascade boxes it
  friend bool operator==(const FacePlacement&, const FacePlacement&) = default;
};

struct CameraScene {
  enum class Background { kCoded, kPlain };
  Background background = Background::kCoded;
  // Each frame the portraits move up to this many panel pixels to either
  // side (and grow and shrink by half that), over a cycle of kSwayFrames.
  double sway = 0;
  std::vector<FacePlacement> faces;
  friend bool operator==(const CameraScene&, const CameraScene&) = default;

  bool Moves() const { return sway != 0 && !faces.empty(); }
  std::string Text() const;
  // Throws std::invalid_argument naming the word it could not read.
  static CameraScene Parse(const std::string& text);
};

inline constexpr int kSwayFrames = 24;
// The plain backdrop, a pale blue-grey as photo booths use.
inline constexpr Rgb kBackdrop = {196, 208, 222};

// The portrait picture and where its face lies in it (in its own pixels).
struct PortraitPicture {
  RgbPicture picture;
  FacePlacement face;  // centre and eyes in picture pixels, width likewise
};
// The one in data/; throws std::runtime_error when it cannot be read.
const PortraitPicture& AstronautPortrait();

// The scene at frame `frame` (whose number the coded background shows),
// as RGB rows of width x height.
RgbPicture RenderScene(const CameraScene& scene, std::uint32_t frame, int width, int height);
// Where placement `face` puts the face in a width x height frame at that
// frame: its middle column, eye row and width in frame pixels.
FacePlacement FaceInFrame(const FacePlacement& face, double sway, std::uint32_t frame, int width, int height);

}  // namespace vantora::testing
