#pragma once

#include <string>

namespace vantora {

// PhotoPath, a separator unless it already ends with one, the normalised ID,
// ".jpg". The save and the upload both find the photo by this rule.
std::string PhotoFileNameFor(const std::string& photoPath, const std::string& normalisedId);

// An ID delivered through the clipboard is not filtered, so it may hold a
// folder separator ("../x") or control bytes that would name a file outside
// the photo folder. Such an ID must never become part of a path.
bool IsSafePhotoId(const std::string& normalisedId);

// The text after the last separator: what the overwrite question names.
std::string FileNamePart(const std::string& path);

// True only for an existing regular file: a folder of that name is not a
// photo, and a pipe or device would block the reader that opens it.
bool PhotoFileExists(const std::string& path);

}  // namespace vantora
