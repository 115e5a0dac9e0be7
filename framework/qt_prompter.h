#pragma once

#include <QString>

#include "framework/prompter.h"

namespace vantora {

// Real dialogs: QMessageBox and QFileDialog, modal over the whole program.
class QtPrompter : public Prompter {
 public:
  MsgButton ShowMessage(const MessageBoxRequest& request) override;
  std::string ChooseFolder(const std::string& title) override;
  std::string ChooseOpenFile(const OpenFileRequest& request) override;
  std::string ChooseSaveFile(const SaveFileRequest& request) override;
};

// "Description|*.ext|..." as Qt's name filters ("Description (*.ext);;...").
QString QtNameFilters(const std::string& filter);

}  // namespace vantora
