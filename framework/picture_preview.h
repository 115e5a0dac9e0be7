#pragma once

#include <QImage>
#include <QLabel>
#include <QString>

class QFileDialog;

namespace vantora {

// The picture pane of the open-picture chooser: the JPEG picture of the
// selected file, scaled down to fit the pane with its proportion kept, or
// nothing when the selection is not a JPEG picture that can be read.
class TPicturePreview : public QLabel {
 public:
  explicit TPicturePreview(QWidget* parent = nullptr);

  // Shows the picture in the file at `path`, or nothing.
  void ShowFile(const QString& path);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Fit();

  QImage picture_;
};

// Puts a preview pane beside the file list of a chooser drawn by Qt itself
// (not the desktop's own chooser, which has no room for it) and keeps it on
// the file that is current in the list.
TPicturePreview* AddPicturePreview(QFileDialog& dialog);

}  // namespace vantora
