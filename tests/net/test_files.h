#pragma once

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace vantora::testing {

inline std::string TestDataPath(const std::string& name) {
  const char* dir = std::getenv("VANTORA_TESTDATA");
  return std::string(dir ? dir : VANTORA_NET_TESTDATA_FALLBACK) + "/" + name;
}

inline std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace vantora::testing
