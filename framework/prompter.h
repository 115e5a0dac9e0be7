#pragma once

#include <string>
#include <vector>

namespace vantora {

enum class MsgIcon { Information, Question, Stop, Exclamation };
enum class MsgButton { None, OK, Cancel, Yes, No };

// Everything a message box shows and how it answers the keyboard.
struct MessageBoxRequest {
  std::string caption;
  std::string text;
  MsgIcon icon = MsgIcon::Information;
  std::vector<MsgButton> buttons;  // in the order shown
  MsgButton enterButton = MsgButton::OK;
  MsgButton escapeButton = MsgButton::OK;
};

// The open-file chooser: a filter in the form "Description|*.ext" (pairs
// separated by "|"), one file chosen. Unless mustExist, a typed name of a
// file that does not exist is taken as it is. With picturePreview a pane
// beside the file list shows the selected picture.
struct OpenFileRequest {
  std::string title;
  std::string filter;
  bool mustExist = true;
  bool picturePreview = false;
};

// The save-file chooser: a filter as for opening, and the name it offers.
struct SaveFileRequest {
  std::string title;
  std::string filter;
  std::string suggestedName;
};

// The one seam through which the station asks the operator anything. The
// default shows real Qt dialogs; tests install a scripted one, so nothing in
// a test ever waits for a person.
class Prompter {
 public:
  virtual ~Prompter() = default;
  // The button pressed.
  virtual MsgButton ShowMessage(const MessageBoxRequest& request) = 0;
  // The chosen folder's path, or empty text on cancel.
  virtual std::string ChooseFolder(const std::string& title) = 0;
  // The chosen file's path, or empty text on cancel.
  virtual std::string ChooseOpenFile(const OpenFileRequest& request) = 0;
  // The path to write, or empty text on cancel; a prompter without a save
  // chooser cancels.
  virtual std::string ChooseSaveFile(const SaveFileRequest&) { return {}; }
};

// The prompter in use: the one installed last, else the Qt one.
Prompter& ActivePrompter();

// Installs `prompter` (null: the Qt one again) and returns the one it replaces.
Prompter* SetPrompter(Prompter* prompter);

// Installs a prompter for the life of the object.
class ScopedPrompter {
 public:
  explicit ScopedPrompter(Prompter& prompter) : previous_(SetPrompter(&prompter)) {}
  ~ScopedPrompter() { SetPrompter(previous_); }
  ScopedPrompter(const ScopedPrompter&) = delete;
  ScopedPrompter& operator=(const ScopedPrompter&) = delete;

 private:
  Prompter* previous_;
};

}  // namespace vantora
