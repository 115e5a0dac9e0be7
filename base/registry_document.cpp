#include "base/registry_document.h"

#include <algorithm>
#include <array>
#include <utility>

namespace vantora {

namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// "path" lies below "parent" (case-insensitively) and is not the parent itself.
bool IsBelow(std::string_view path, std::string_view parent) {
  return path.size() > parent.size() + 1 && path[parent.size()] == '\\' &&
         SameRegistryName(path.substr(0, parent.size()), parent);
}

constexpr std::array<std::string_view, 6> kAlwaysThere = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
    "HKEY_USERS",        "HKEY_CURRENT_CONFIG", "HKEY_CURRENT_USER\\software"};

}  // namespace

bool SameRegistryName(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

bool RegistryDocument::KeyExists(std::string_view path) const {
  for (std::string_view fixed : kAlwaysThere) {
    if (SameRegistryName(path, fixed)) return true;
  }
  return std::any_of(keys_.begin(), keys_.end(), [&](const RegKey& k) {
    return SameRegistryName(k.path, path) || IsBelow(k.path, path);
  });
}

const RegKey* RegistryDocument::FindKey(std::string_view path) const {
  auto it = std::find_if(keys_.begin(), keys_.end(),
                         [&](const RegKey& k) { return SameRegistryName(k.path, path); });
  return it == keys_.end() ? nullptr : &*it;
}

RegKey* RegistryDocument::FindKey(std::string_view path) {
  return const_cast<RegKey*>(std::as_const(*this).FindKey(path));
}

RegKey& RegistryDocument::AddKey(const std::string& path) {
  keys_.push_back(RegKey{path, {}});
  return keys_.back();
}

void RegistryDocument::RemoveKeyTree(std::string_view path) {
  std::erase_if(keys_, [&](const RegKey& k) {
    return SameRegistryName(k.path, path) || IsBelow(k.path, path);
  });
}

const RegValue* FindValue(const RegKey& key, std::string_view name) {
  auto it = std::find_if(key.values.begin(), key.values.end(),
                         [&](const RegValue& v) { return SameRegistryName(v.name, name); });
  return it == key.values.end() ? nullptr : &*it;
}

RegValue* FindValue(RegKey& key, std::string_view name) {
  return const_cast<RegValue*>(FindValue(std::as_const(key), name));
}

}  // namespace vantora
