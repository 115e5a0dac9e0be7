#include "tests/usb_camera/camera_scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>
#include <stdexcept>

namespace vantora::testing {
namespace {

constexpr double kPanelWidth = 228, kPanelHeight = 303;

// Where the frontal face cascade boxes the face in data/astronaut_portrait.jpg
// (240x312, cut from the astronaut picture at 105,0), and the eye row.
constexpr FacePlacement kAstronautFace = {118, 102, 95};

std::string Number(double v) {
  std::ostringstream out;
  out << v;
  return out.str();
}

// -1..1 and back over kSwayFrames.
double SwayPhase(std::uint32_t frame) {
  const double t = static_cast<double>(frame % kSwayFrames) / kSwayFrames;
  return t < 0.5 ? 4 * t - 1 : 3 - 4 * t;
}

FacePlacement Swayed(const FacePlacement& face, double sway, std::uint32_t frame) {
  const double phase = SwayPhase(frame);
  return {face.centre + sway * phase, face.eyes, face.width + sway * phase / 2};
}

void FillBackground(CameraScene::Background background, std::uint32_t frame, RgbPicture& out) {
  const std::size_t stride = static_cast<std::size_t>(out.width) * 3;
  for (int y = 0; y < out.height; ++y) {
    std::uint8_t* row = out.rgb.data() + stride * static_cast<std::size_t>(y);
    if (y > 0 && (background == CameraScene::Background::kPlain || y % kCodeCell != 0)) {
      std::memcpy(row, row - stride, stride);  // a cell row's rows, or the backdrop's, are alike
      continue;
    }
    for (int x = 0; x < out.width; ++x) {
      const Rgb c = background == CameraScene::Background::kPlain ? kBackdrop : CodedColour(frame, x, y);
      row[3 * x] = c.r, row[3 * x + 1] = c.g, row[3 * x + 2] = c.b;
    }
  }
}

// The portrait scaled by `scale` with its top left corner at (left, top),
// bilinear, clipped to the frame.
void Paste(const RgbPicture& portrait, double left, double top, double scale, RgbPicture& out) {
  const int x0 = std::max(0, static_cast<int>(std::floor(left)));
  const int x1 = std::min(out.width, static_cast<int>(std::ceil(left + portrait.width * scale)));
  const int y0 = std::max(0, static_cast<int>(std::floor(top)));
  const int y1 = std::min(out.height, static_cast<int>(std::ceil(top + portrait.height * scale)));
  if (x0 >= x1 || y0 >= y1) return;
  struct Tap {
    int a, b;
    double w;
  };
  auto tap = [&](int at, double origin, int size) {
    const double s = std::clamp((at + 0.5 - origin) / scale - 0.5, 0.0, size - 1.0);
    const int a = static_cast<int>(s);
    return Tap{a, std::min(a + 1, size - 1), s - a};
  };
  std::vector<Tap> columns;
  for (int x = x0; x < x1; ++x) columns.push_back(tap(x, left, portrait.width));
  for (int y = y0; y < y1; ++y) {
    const Tap r = tap(y, top, portrait.height);
    const std::uint8_t* above = portrait.rgb.data() + static_cast<std::size_t>(r.a) * portrait.width * 3;
    const std::uint8_t* below = portrait.rgb.data() + static_cast<std::size_t>(r.b) * portrait.width * 3;
    std::uint8_t* to = out.rgb.data() + (static_cast<std::size_t>(y) * out.width + x0) * 3;
    for (const Tap& c : columns) {
      for (int k = 0; k < 3; ++k) {
        const double top_value = above[3 * c.a + k] + (above[3 * c.b + k] - above[3 * c.a + k]) * c.w;
        const double bottom_value = below[3 * c.a + k] + (below[3 * c.b + k] - below[3 * c.a + k]) * c.w;
        *to++ = static_cast<std::uint8_t>(top_value + (bottom_value - top_value) * r.w + 0.5);
      }
    }
  }
}

struct StripGeometry {
  double left, scale;  // frame pixels: the strip's first column, and per panel pixel
};
StripGeometry Strip(int width, int height) {
  const double strip = std::round(height * kPanelWidth / kPanelHeight);
  return {std::floor((width - strip) / 2), height / kPanelHeight};
}

}  // namespace

std::string CameraScene::Text() const {
  std::string text = background == Background::kPlain ? "plain" : "coded";
  if (sway != 0) text += " sway=" + Number(sway);
  for (const FacePlacement& f : faces) {
    text += " face=" + Number(f.centre) + "," + Number(f.eyes) + "," + Number(f.width);
  }
  return text;
}

CameraScene CameraScene::Parse(const std::string& text) {
  std::istringstream in(text);
  std::string word;
  CameraScene scene;
  if (!(in >> word) || (word != "plain" && word != "coded")) {
    throw std::invalid_argument("a scene starts with plain or coded, not '" + word + "'");
  }
  scene.background = word == "plain" ? Background::kPlain : Background::kCoded;
  while (in >> word) {
    std::istringstream value(word.substr(word.find('=') + 1));
    char comma1 = 0, comma2 = 0;
    FacePlacement f;
    bool read = false;
    if (word.rfind("sway=", 0) == 0) {
      read = static_cast<bool>(value >> scene.sway) && scene.sway >= 0;
    } else if (word.rfind("face=", 0) == 0) {
      read = value >> f.centre >> comma1 >> f.eyes >> comma2 >> f.width && comma1 == ',' && comma2 == ',' &&
             f.width > 0;
      scene.faces.push_back(f);
    }
    if (!read || value.rdbuf()->in_avail() > 0) throw std::invalid_argument("cannot read '" + word + "' in a scene");
  }
  return scene;
}

const PortraitPicture& AstronautPortrait() {
  static const PortraitPicture portrait = [] {
    PortraitPicture p{LoadJpegFile(VANTORA_PORTRAIT_PICTURE), kAstronautFace};
    if (p.picture.width == 0) throw std::runtime_error(std::string("cannot read ") + VANTORA_PORTRAIT_PICTURE);
    return p;
  }();
  return portrait;
}

FacePlacement FaceInFrame(const FacePlacement& face, double sway, std::uint32_t frame, int width, int height) {
  const FacePlacement f = Swayed(face, sway, frame);
  const StripGeometry strip = Strip(width, height);
  return {strip.left + f.centre * strip.scale, f.eyes * strip.scale, f.width * strip.scale};
}

RgbPicture RenderScene(const CameraScene& scene, std::uint32_t frame, int width, int height) {
  RgbPicture out;
  out.width = width;
  out.height = height;
  out.rgb.resize(static_cast<std::size_t>(width) * height * 3);
  FillBackground(scene.background, frame, out);
  if (scene.faces.empty()) return out;
  const PortraitPicture& portrait = AstronautPortrait();
  const StripGeometry strip = Strip(width, height);
  for (const FacePlacement& placed : scene.faces) {
    const FacePlacement f = Swayed(placed, scene.sway, frame);
    const double scale = f.width * strip.scale / portrait.face.width;
    Paste(portrait.picture, strip.left + f.centre * strip.scale - portrait.face.centre * scale,
          f.eyes * strip.scale - portrait.face.eyes * scale, scale, out);
  }
  return out;
}

}  // namespace vantora::testing
