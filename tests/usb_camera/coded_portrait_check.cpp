// Reads the frame number back out of a portrait the station saved from an
// emulated camera, for tests that drive the station from outside.
//   coded_portrait_check FILE FRAME_WIDTH FRAME_HEIGHT
// prints "frame N cells C wrong W"; exits 0 only when every cell checked
// has its frame's colour.
#include <iostream>
#include <string>

#include "tests/usb_camera/coded_picture.h"

int main(int argc, char** argv) {
  using namespace vantora::testing;
  if (argc != 4) {
    std::cerr << "usage: coded_portrait_check FILE FRAME_WIDTH FRAME_HEIGHT\n";
    return 2;
  }
  RgbPicture picture = LoadJpegFile(argv[1]);
  if (picture.width == 0) {
    std::cerr << "coded_portrait_check: cannot read " << argv[1] << "\n";
    return 1;
  }
  CodeReading reading = ReadPortrait([&](int x, int y) { return picture.At(x, y); }, picture.width,
                                     picture.height, std::stoi(argv[2]), std::stoi(argv[3]));
  std::cout << "frame " << (reading.frame ? std::to_string(*reading.frame) : "-") << " cells "
            << reading.cells_checked << " wrong " << reading.cells_wrong << "\n";
  return reading.frame && reading.cells_checked > 0 && reading.cells_wrong == 0 ? 0 : 1;
}
