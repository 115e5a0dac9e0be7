#pragma once

#include <QObject>

namespace vantora {

// The data module: created at start after the main window, holds nothing.
class TDatabase : public QObject {
 public:
  TDatabase() = default;
};

}  // namespace vantora
