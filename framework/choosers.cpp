#include "framework/choosers.h"

#include "framework/prompter.h"

namespace vantora {

std::string ChoosePhotoFolder(const std::string& title) { return ActivePrompter().ChooseFolder(title); }

std::string ChooseOpenFile(const std::string& title, const std::string& filter, bool mustExist) {
  return ActivePrompter().ChooseOpenFile(OpenFileRequest{title, filter, mustExist});
}

std::string ChooseOpenPicture(const std::string& title, const std::string& filter, bool mustExist) {
  return ActivePrompter().ChooseOpenFile(OpenFileRequest{title, filter, mustExist, /*picturePreview=*/true});
}

std::string ChooseSaveFile(const std::string& title, const std::string& filter, const std::string& suggestedName) {
  return ActivePrompter().ChooseSaveFile(SaveFileRequest{title, filter, suggestedName});
}

}  // namespace vantora
