#include "framework/scripted_prompter.h"

namespace vantora::testing {

namespace {

template <class T>
T TakeFront(std::deque<T>& queue, T fallback) {
  if (queue.empty()) return fallback;
  T value = std::move(queue.front());
  queue.pop_front();
  return value;
}

}  // namespace

ScriptedPrompter::ScriptedPrompter() : previous_(SetPrompter(this)) {}

ScriptedPrompter::~ScriptedPrompter() { SetPrompter(previous_); }

void ScriptedPrompter::Clear() {
  boxAnswers_.clear();
  folderAnswers_.clear();
  fileAnswers_.clear();
  boxes_.clear();
  folderTitles_.clear();
  fileRequests_.clear();
  saveAnswers_.clear();
  saveRequests_.clear();
}

MsgButton ScriptedPrompter::ShowMessage(const MessageBoxRequest& request) {
  boxes_.push_back(request);
  return TakeFront(boxAnswers_, request.enterButton);
}

std::string ScriptedPrompter::ChooseFolder(const std::string& title) {
  folderTitles_.push_back(title);
  return TakeFront(folderAnswers_, std::string());
}

std::string ScriptedPrompter::ChooseOpenFile(const OpenFileRequest& request) {
  fileRequests_.push_back(request);
  return TakeFront(fileAnswers_, std::string());
}

std::string ScriptedPrompter::ChooseSaveFile(const SaveFileRequest& request) {
  saveRequests_.push_back(request);
  return TakeFront(saveAnswers_, std::string());
}

}  // namespace vantora::testing
