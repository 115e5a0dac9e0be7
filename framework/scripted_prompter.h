#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "framework/prompter.h"

namespace vantora::testing {

// A prompter for tests: it records every box and chooser request and answers
// from a script. A box without a scripted answer gets its Enter button, a
// chooser without one is cancelled, so nothing ever waits for a person.
// It installs itself for its lifetime.
class ScriptedPrompter : public Prompter {
 public:
  ScriptedPrompter();
  ~ScriptedPrompter() override;
  ScriptedPrompter(const ScriptedPrompter&) = delete;
  ScriptedPrompter& operator=(const ScriptedPrompter&) = delete;

  void AnswerNextBox(MsgButton answer) { boxAnswers_.push_back(answer); }
  void AnswerNextFolder(std::string path) { folderAnswers_.push_back(std::move(path)); }
  void AnswerNextFile(std::string path) { fileAnswers_.push_back(std::move(path)); }
  void AnswerNextSave(std::string path) { saveAnswers_.push_back(std::move(path)); }

  const std::vector<MessageBoxRequest>& Boxes() const { return boxes_; }
  const std::vector<std::string>& FolderTitles() const { return folderTitles_; }
  const std::vector<OpenFileRequest>& FileRequests() const { return fileRequests_; }
  const std::vector<SaveFileRequest>& SaveRequests() const { return saveRequests_; }
  void Clear();

  MsgButton ShowMessage(const MessageBoxRequest& request) override;
  std::string ChooseFolder(const std::string& title) override;
  std::string ChooseOpenFile(const OpenFileRequest& request) override;
  std::string ChooseSaveFile(const SaveFileRequest& request) override;

 private:
  Prompter* previous_;
  std::deque<MsgButton> boxAnswers_;
  std::deque<std::string> folderAnswers_;
  std::deque<std::string> fileAnswers_;
  std::vector<MessageBoxRequest> boxes_;
  std::vector<std::string> folderTitles_;
  std::vector<OpenFileRequest> fileRequests_;
  std::deque<std::string> saveAnswers_;
  std::vector<SaveFileRequest> saveRequests_;
};

// A scripted prompter that hands every box to `watch` before recording it:
// a test looks at the station at the moment the box comes up.
class WatchingPrompter : public ScriptedPrompter {
 public:
  explicit WatchingPrompter(std::function<void(const MessageBoxRequest&)> watch) : watch_(std::move(watch)) {}
  MsgButton ShowMessage(const MessageBoxRequest& request) override {
    watch_(request);
    return ScriptedPrompter::ShowMessage(request);
  }

 private:
  std::function<void(const MessageBoxRequest&)> watch_;
};

}  // namespace vantora::testing
