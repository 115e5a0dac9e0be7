#pragma once

#include <QMetaObject>
#include <QWidget>
#include <exception>
#include <memory>
#include <string>

#include "record/upload_record.h"
#include "upload/photo_upload.h"

class QAction;
class QFrame;
class QInputMethodEvent;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;

namespace vantora {

class TBeforeFirstInput;
class TBitmap;
class TFilter;
class TFilterGraph;
class TImage;
class TSampleGrabber;
class TSysDevEnum;
class TNetForm;
class TScForm;
class TFaceGuideLive;
class TFaceOutline;
namespace guide {
class TFaceDetector;
}

// The station's one main window: the live video on the left, the photo view
// on the right, the ID box and the four buttons below. Every control sits at
// a fixed pixel place on the client area below the menu, with no layouts.
// Controls and handlers are public so tests can reach them by their names.
class TMain : public QWidget {
 public:
  // Builds the controls, then runs FormCreate. GStreamer, the cameras and
  // FormShow wait until the window is on the screen (see the constructor).
  explicit TMain(QWidget* parent = nullptr);
  ~TMain() override;
  TMain(const TMain&) = delete;
  TMain& operator=(const TMain&) = delete;

  // The two hidden dialogs, created after the main window.
  void AttachDialogs(TNetForm* netForm, TScForm* scForm);

  // The ID box's text as the station's byte string, and back.
  std::string Edit1Text() const;
  void SetEdit1Text(const std::string& text);

  // ---- menus ----
  QMenuBar* MainMenu1 = nullptr;
  QMenu* Devices = nullptr;  // "视频来源", one item per video input device
  QMenu* N5 = nullptr;       // "设置"
  QAction* N2 = nullptr;     // "照片保存路径"
  QAction* N4 = nullptr;     // "照片标记": its check mark decides the stamp
  QAction* N6 = nullptr;     // "照片自动上传", hidden
  QAction* N1 = nullptr;     // separator, hidden
  QAction* N3 = nullptr;     // "网络参数设置", hidden
  QAction* N7 = nullptr;     // "照片上传", hidden

  // ---- controls ----
  QWidget* Client = nullptr;  // the client area: the window's own surface
  QLabel* Label1 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QPushButton* BitBtn1 = nullptr;  // "拍照"
  QPushButton* BitBtn2 = nullptr;  // "保存"
  QPushButton* BitBtn4 = nullptr;  // "上传"
  QPushButton* BitBtn3 = nullptr;  // "退出"
  QWidget* VideoPanel = nullptr;
  QWidget* PhotoPanel = nullptr;
  TImage* Image1 = nullptr;  // the photo view
  QFrame* Panel1 = nullptr;
  TImage* Image2 = nullptr;
  // guide lines over the video, children of VideoPanel
  QWidget* PT = nullptr;
  QWidget* PB = nullptr;
  QWidget* Pb1 = nullptr;
  QWidget* PR = nullptr;
  QWidget* PL = nullptr;
  QWidget* Pl1 = nullptr;
  QWidget* Pl2 = nullptr;
  // frame lines around the two picture areas
  QWidget* VideoT = nullptr;
  QWidget* VideoB = nullptr;
  QWidget* VideoL = nullptr;
  QWidget* VideoR = nullptr;
  QWidget* PhotoT = nullptr;
  QWidget* PhotoB = nullptr;
  QWidget* PhotoL = nullptr;
  QWidget* PhotoR = nullptr;

  // ---- run-time state ----
  std::string PhotoPath;      // the photo folder in use
  std::string PhotoFileName;  // full path of the current photo file

  // ---- handlers (window) ----
  void FormCreate();
  void FormShow();
  void FormClose();
  void FormMouseMove();
  void BitBtn1MouseMove();
  void BitBtn3Click();
  void N2Click();
  void N3Click();
  void N4Click();
  void N6Click();
  void N7Click();

  // ---- handlers (ID box and clipboard) ----
  // `key` is the character about to reach the box; 0 discards it.
  void Edit1KeyPress(char32_t& key);
  void Edit1KeyUp(int key, Qt::KeyboardModifiers shift);
  void ClipboardChanged();

  // ---- handlers (the photo road): main_window_photo.cpp, main_window_upload.cpp ----
  void BitBtn1Click();
  void BitBtn2Click();
  void BitBtn4Click();
  // The upload's HTTP client, created with the window and kept for its whole
  // life, so that cookies set by the server go back with later uploads.
  std::shared_ptr<TNwHTTP> NwHTTP1 = MakeUploadClient();
  // ---- end of the photo road ----

  // ==== BEGIN capture block (main_window_capture.cpp) ====
  QWidget* AVCapture1 = nullptr;  // the live video window (a TVideoWindow), inside VideoPanel
  // The capture graph and its other two members, the device list and the
  // bitmap that learns the frame size, each owned by the window alone. The
  // destructor is defined where their types are complete, so this header
  // needs only the names; the graph comes first so it outlives its members.
  std::unique_ptr<TFilterGraph> FilterGraph;
  std::unique_ptr<TSampleGrabber> SampleGrabber;
  std::unique_ptr<TFilter> Filter;
  std::unique_ptr<TSysDevEnum> SysDevEnum;
  std::unique_ptr<TBitmap> GrabBitmap;
  void CreateAVCapture1();        // builds AVCapture1 at its place in VideoPanel
  // The capture side's start, the first half of the work after the window
  // is shown: GStreamer, the check that a sample grabber can be made, and
  // the source menu. Without a grabber it raises ESampleGrabberUnavailable,
  // which ends the program as a failed start does.
  void StartCapture();
  void FillDeviceMenu();          // lists the devices into "视频来源"
  void DeviceItemClick(int tag);  // a device item of "视频来源" clicked
  void ApplyPreviewGeometry();
  void ReleaseDeviceList();       // FormClose step 1
  void ShutDownCapture();         // FormClose step 2
  bool CameraPictureIsCurrent() const;  // "拍照" cuts only the camera's current picture
  void ReleaseLostCamera();       // the chosen camera has gone
  // ==== END capture block ====

  // ---- the face guide: main_window_face.cpp ----
  QAction* FaceCheck = nullptr;       // "人脸检查" under "设置", checkable
  TFaceOutline* FaceOutline = nullptr;  // the outline over the live picture
  QLabel* FaceHint = nullptr;         // the live hint on the video panel
  QLabel* FaceVerdict = nullptr;      // the verdict at "拍照", beside the photo view
  // None when the cascades could not be loaded: the item is then disabled.
  std::unique_ptr<guide::TFaceDetector> FaceDetector;
  std::unique_ptr<TFaceGuideLive> FaceGuide;
  void CreateFaceGuideControls();
  void StartFaceGuide();
  void FaceCheckClick();
  void ShowFaceVerdict(const TBitmap& frame);
  // ---- the upload record and the re-send: main_window_pending.cpp ----
  // Which saved photos have not reached the server; opened at the first show.
  std::unique_ptr<TUploadRecord> UploadRecord;
  QAction* N8 = nullptr;  // "补传照片 (n)": the pending count, and the re-send dialog
  void N8Click();
  void CreatePendingMenu();
  void OpenUploadRecord();
  void ShowPendingCount();
  // Tells the operator, once each, what is wrong with the record itself.
  void TellRecordNotice();
  void RecordPhotoSaved(const std::string& id, const std::string& file);
  void RecordUploadOutcome(const std::string& id, const std::string& file, const std::exception_ptr& failure);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateMenus();
  void CreateControls();
  void CreateLines();
  void SetTabOrder();
  void PlaceMenuAndClient();
  void SetGuideLinesVisible(bool visible);
  bool FilterIdKeyPress(QKeyEvent& event);
  bool FilterIdInputMethod(QInputMethodEvent& event);

  TNetForm* netForm_ = nullptr;
  TScForm* scForm_ = nullptr;
  std::unique_ptr<TBeforeFirstInput> afterShow_;
  QMetaObject::Connection clipboardViewer_;
};

}  // namespace vantora
