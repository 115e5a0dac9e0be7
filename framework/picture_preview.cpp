#include "framework/picture_preview.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QImageReader>
#include <QPixmap>

namespace vantora {

namespace {

constexpr QSize kPaneSize(180, 240);
// A large photo is decoded straight at a size near the pane's (the JPEG
// decoder scales while decoding), so choosing among big files stays quick.
constexpr QSize kDecodeBound(2 * kPaneSize.width(), 2 * kPaneSize.height());
// Beyond this a file is not read for a preview at all.
constexpr qint64 kMaxPreviewFileBytes = qint64{256} << 20;

QImage ReadJpeg(const QString& path) {
  // Only a regular file: a pipe or a device named *.jpg could block the read.
  const QFileInfo info(path);
  if (path.isEmpty() || !info.isFile() || info.size() > kMaxPreviewFileBytes) return {};
  // What the file holds decides, not its name: only a JPEG can be sent.
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  reader.setAutoTransform(false);  // the batch sends the picture as stored
  if (reader.format() != "jpeg" || !reader.canRead()) return {};
  const QSize size = reader.size();
  if (size.width() > kDecodeBound.width() || size.height() > kDecodeBound.height()) {
    reader.setScaledSize(size.scaled(kDecodeBound, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
  }
  return reader.read();
}

}  // namespace

TPicturePreview::TPicturePreview(QWidget* parent) : QLabel(parent) {
  setObjectName(QStringLiteral("PicturePreview"));
  setAlignment(Qt::AlignCenter);
  setFrameShape(QFrame::StyledPanel);
  setMinimumSize(kPaneSize);
}

void TPicturePreview::ShowFile(const QString& path) {
  picture_ = ReadJpeg(path);
  Fit();
}

void TPicturePreview::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Fit();
}

void TPicturePreview::Fit() {
  if (picture_.isNull()) {
    clear();
    return;
  }
  const QSize room = contentsRect().size();
  QImage shown = picture_;
  if (picture_.width() > room.width() || picture_.height() > room.height()) {
    shown = picture_.scaled(room.expandedTo(QSize(1, 1)), Qt::KeepAspectRatio, Qt::SmoothTransformation);
  }
  setPixmap(QPixmap::fromImage(shown));
}

TPicturePreview* AddPicturePreview(QFileDialog& dialog) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  auto* preview = new TPicturePreview(&dialog);
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
    // Beside the folder list and the file list, over the rows of the name and the filter.
    grid->addWidget(preview, 1, grid->columnCount(), grid->rowCount() - 1, 1);
  } else if (dialog.layout() != nullptr) {
    dialog.layout()->addWidget(preview);
  }
  QObject::connect(&dialog, &QFileDialog::currentChanged, preview, &TPicturePreview::ShowFile);
  return preview;
}

}  // namespace vantora
