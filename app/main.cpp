#include <iostream>

#include "app/command_line.h"
#include "app/display_platform.h"
#include "app/station.h"

int main(int argc, char** argv) {
  if (const auto status = vantora::AnswerInformationOption(argc, argv, std::cout)) return *status;
  vantora::ApplyQtPlatformChoice();
  return vantora::RunStation(argc, argv);
}
