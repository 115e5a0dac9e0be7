#pragma once

#include <string>

namespace vantora {

// The folder chooser: only file-system folders can be confirmed. Returns the
// chosen folder's path, or empty text when the operator cancels.
std::string ChoosePhotoFolder(const std::string& title);

// The open-file chooser for one file; `filter` is "Description|*.ext".
// Returns the path, or empty text on cancel. With mustExist false the
// operator may type the name of a file that does not exist.
std::string ChooseOpenFile(const std::string& title, const std::string& filter, bool mustExist = true);

// The same chooser with a pane that shows the selected picture.
std::string ChooseOpenPicture(const std::string& title, const std::string& filter, bool mustExist = true);

// The save-file chooser, offering `suggestedName`. Returns the path to write,
// or empty text on cancel.
std::string ChooseSaveFile(const std::string& title, const std::string& filter, const std::string& suggestedName);

}  // namespace vantora
