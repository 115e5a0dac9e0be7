// The main window's shell: its controls at their fixed places, its menus,
// and the window's own work at creation, first show and close.
#include "app/main_window.h"

#include <build_config.h>

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <initializer_list>

#include "app/face_guide_live.h"
#include "app/photo_folder.h"
#include "capture/filter.h"
#include "capture/filter_graph.h"
#include "capture/sample_grabber.h"
#include "capture/sys_dev_enum.h"
#include "imaging/graphics.h"
#include "pub/pub.h"
#include "framework/before_first_input.h"
#include "framework/choosers.h"
#include "framework/error_guard.h"
#include "framework/image_control.h"
#include "framework/modal_dialog.h"
#include "framework/startup_guard.h"
#include "guide/face_detector.h"
#include "upload/net_form.h"
#include "upload/sc_form.h"

namespace vantora {

namespace {

// The design's outer size counts a sizeable border and a caption as the
// classic Windows look draws them; Qt sizes the window without its frame.
constexpr int kOuterWidth = 493;
constexpr int kOuterHeight = 405;
constexpr int kFrameBorder = 4;
constexpr int kCaptionHeight = 19;

// Windows' scroll-bar colour has no Qt palette role; this is its usual value.
const QColor kScrollBarColour(200, 200, 200);
const QColor kPhotoFrameColour(150, 150, 150);
const QColor kCream(255, 251, 240);

QFont WindowFont() {
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPixelSize(11);
  return font;
}

QFont SongFont(int pixelHeight) {
  QFont font(QString::fromUtf8("宋体"));
  font.setPixelSize(pixelHeight);
  return font;
}

void Fill(QWidget* w, const QColor& colour) {
  QPalette palette = w->palette();
  palette.setColor(QPalette::Window, colour);
  w->setPalette(palette);
  w->setAutoFillBackground(true);
}

template <class W = QWidget>
W* Place(QWidget* parent, const char* name, QRect geometry) {
  W* w = new W(parent);
  w->setObjectName(QString::fromLatin1(name));
  w->setGeometry(geometry);
  return w;
}

QWidget* Line(QWidget* parent, const char* name, QRect geometry, const QColor& colour) {
  QWidget* line = Place(parent, name, geometry);
  Fill(line, colour);
  return line;
}

QPushButton* Button(QWidget* parent, const char* name, QRect geometry, const char* caption) {
  QPushButton* button = Place<QPushButton>(parent, name, geometry);
  button->setText(QString::fromUtf8(caption));
  // A focused button is pressed by Enter as well as by the space bar.
  button->setAutoDefault(true);
  return button;
}

// A camera face in the window's colours; the station has no icon file.
QIcon StationIcon() {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(QColor(0, 0, 160));
  painter.setPen(Qt::NoPen);
  painter.drawRoundedRect(2, 8, 28, 20, 4, 4);
  painter.drawRect(10, 4, 12, 6);
  painter.setBrush(Qt::white);
  painter.drawEllipse(QPoint(16, 18), 7, 7);
  painter.setBrush(QColor(0, 0, 160));
  painter.drawEllipse(QPoint(16, 18), 4, 4);
  return QIcon(pixmap);
}

}  // namespace

TMain::TMain(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("Main"));
  setWindowTitle(QString::fromUtf8("Vantora V2014年6月20日  "));
  setWindowIcon(StationIcon());
  setFont(WindowFont());
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Button));
  setPalette(palette);
  setAutoFillBackground(true);
  resize(kOuterWidth - 2 * kFrameBorder, kOuterHeight - 2 * kFrameBorder - kCaptionHeight);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->geometry().center() - QPoint(kOuterWidth / 2, kOuterHeight / 2));
  }

  CreateMenus();
  CreateControls();
  CreateLines();
  SetTabOrder();
  PlaceMenuAndClient();
  Guarded([this] { FormCreate(); });
  // The window reaches the screen before GStreamer starts, which is most of
  // the start's time. FormShow comes after the capture side: a station that
  // cannot capture then ends with its one box, having written nothing.
  afterShow_ = std::make_unique<TBeforeFirstInput>(*this, [this] {
    return RunStartupStepAfterShow(*this, [this] {
      StartCapture();
      Guarded([this] { FormShow(); });
      StartFaceGuide();
    });
  });
}

TMain::~TMain() = default;

void TMain::CreateMenus() {
  MainMenu1 = new QMenuBar(this);
  MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
  Devices = MainMenu1->addMenu(QString::fromUtf8("视频来源"));
  Devices->setObjectName(QStringLiteral("Devices"));
  N5 = MainMenu1->addMenu(QString::fromUtf8("设置"));
  N5->setObjectName(QStringLiteral("N5"));
  N2 = N5->addAction(QString::fromUtf8("照片保存路径"));
  N4 = N5->addAction(QString::fromUtf8("照片标记"));
  FaceCheck = N5->addAction(QString::fromUtf8("人脸检查"));
  FaceCheck->setObjectName(QStringLiteral("FaceCheck"));
  FaceCheck->setCheckable(true);
  FaceCheck->setChecked(true);
  N6 = N5->addAction(QString::fromUtf8("照片自动上传"));
  N1 = N5->addSeparator();
  N3 = N5->addAction(QString::fromUtf8("网络参数设置"));
  N7 = MainMenu1->addAction(QString::fromUtf8("照片上传"));
  N4->setCheckable(true);
  N6->setCheckable(true);
  N6->setChecked(true);
  for (QAction* hidden : {N6, N1, N3, N7}) hidden->setVisible(false);

  // The items' handlers own their check marks: Qt's own toggling on a click
  // is undone first, so "照片标记" keeps its mark and "照片自动上传" flips
  // only through its handler.
  auto wire = [this](QAction* item, void (TMain::*handler)()) {
    connect(item, &QAction::triggered, this, GuardedSlot([this, item, handler](bool) {
              if (item->isCheckable()) item->setChecked(!item->isChecked());
              (this->*handler)();
            }));
  };
  wire(N2, &TMain::N2Click);
  wire(N4, &TMain::N4Click);
  wire(FaceCheck, &TMain::FaceCheckClick);
  wire(N6, &TMain::N6Click);
  wire(N3, &TMain::N3Click);
  wire(N7, &TMain::N7Click);
  CreatePendingMenu();
}

void TMain::CreateControls() {
  Client = Place(this, "Client", QRect());
  Client->setMouseTracking(true);
  Client->installEventFilter(this);
  const QFont fontA = SongFont(14);

  VideoPanel = Place(Client, "VideoPanel", QRect(8, 0, 228, 316));
  CreateAVCapture1();

  PhotoPanel = Place(Client, "PhotoPanel", QRect(248, 0, 228, 315));
  Image1 = Place<TImage>(PhotoPanel, "Image1", QRect(0, 8, 228, 303));
  Image1->SetStretch(true);
  Panel1 = Place<QFrame>(PhotoPanel, "Panel1", QRect(24, 40, 185, 113));
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->hide();
  Image2 = Place<TImage>(Panel1, "Image2", QRect(80, 8, 105, 105));

  Label1 = Place<QLabel>(Client, "Label1", QRect(6, 325, 59, 14));
  Label1->setText(QString::fromUtf8("身份证号"));
  Label1->setFont(fontA);

  Edit1 = Place<QLineEdit>(Client, "Edit1", QRect(72, 320, 166, 24));
  Edit1->setFont(SongFont(16));
  QPalette blueText = Edit1->palette();
  blueText.setColor(QPalette::Text, Qt::blue);
  Edit1->setPalette(blueText);
  // Typing goes through the filter key by key; an input method would hand
  // the box whole composed strings past it.
  Edit1->setAttribute(Qt::WA_InputMethodEnabled, false);
  Edit1->installEventFilter(this);

  BitBtn1 = Button(Client, "BitBtn1", QRect(248, 320, 50, 25), "拍照");
  BitBtn2 = Button(Client, "BitBtn2", QRect(304, 320, 50, 25), "保存");
  BitBtn4 = Button(Client, "BitBtn4", QRect(360, 320, 50, 25), "上传");
  BitBtn3 = Button(Client, "BitBtn3", QRect(416, 320, 50, 25), "退出");
  for (QPushButton* b : {BitBtn1, BitBtn2, BitBtn3}) b->setFont(fontA);
  for (QPushButton* b : {BitBtn1, BitBtn2, BitBtn4}) b->setEnabled(false);
  BitBtn1->setMouseTracking(true);
  BitBtn1->installEventFilter(this);

  connect(BitBtn1, &QPushButton::clicked, this, GuardedSlot([this](bool) { BitBtn1Click(); }));
  connect(BitBtn2, &QPushButton::clicked, this, GuardedSlot([this](bool) { BitBtn2Click(); }));
  connect(BitBtn3, &QPushButton::clicked, this, GuardedSlot([this](bool) { BitBtn3Click(); }));
  connect(BitBtn4, &QPushButton::clicked, this, GuardedSlot([this](bool) { BitBtn4Click(); }));
}

void TMain::CreateLines() {
  PT = Line(VideoPanel, "PT", QRect(31, 23, 166, 1), Qt::white);
  PB = Line(VideoPanel, "PB", QRect(50, 120, 129, 1), kCream);
  Pb1 = Line(VideoPanel, "Pb1", QRect(50, 160, 129, 1), kCream);
  PR = Line(VideoPanel, "PR", QRect(6, 230, 215, 1), Qt::white);
  PL = Line(VideoPanel, "PL", QRect(114, 90, 1, 95), Qt::white);
  Pl1 = Line(VideoPanel, "Pl1", QRect(85, 110, 1, 25), Qt::white);
  Pl2 = Line(VideoPanel, "Pl2", QRect(143, 110, 1, 25), Qt::white);
  SetGuideLinesVisible(false);
  CreateFaceGuideControls();

  VideoT = Line(Client, "VideoT", QRect(7, 5, 230, 1), kScrollBarColour);
  VideoB = Line(Client, "VideoB", QRect(7, 312, 230, 1), kScrollBarColour);
  VideoL = Line(Client, "VideoL", QRect(6, 5, 1, 308), kScrollBarColour);
  VideoR = Line(Client, "VideoR", QRect(237, 5, 1, 308), kScrollBarColour);
  PhotoT = Line(Client, "PhotoT", QRect(247, 5, 230, 1), kScrollBarColour);
  PhotoB = Line(Client, "PhotoB", QRect(247, 312, 230, 1), kScrollBarColour);
  PhotoL = Line(Client, "PhotoL", QRect(246, 5, 1, 308), kScrollBarColour);
  PhotoR = Line(Client, "PhotoR", QRect(477, 5, 1, 308), kScrollBarColour);
}

// The tab cycle: the video window, "拍照", "保存", "退出", the ID box,
// "上传"; Qt skips the disabled buttons as the design wants.
void TMain::SetTabOrder() {
  QWidget::setTabOrder(AVCapture1, BitBtn1);
  QWidget::setTabOrder(BitBtn1, BitBtn2);
  QWidget::setTabOrder(BitBtn2, BitBtn3);
  QWidget::setTabOrder(BitBtn3, Edit1);
  QWidget::setTabOrder(Edit1, BitBtn4);
}

void TMain::AttachDialogs(TNetForm* netForm, TScForm* scForm) {
  netForm_ = netForm;
  scForm_ = scForm;
}

std::string TMain::Edit1Text() const { return Edit1->text().toStdString(); }

void TMain::SetEdit1Text(const std::string& text) { Edit1->setText(QString::fromStdString(text)); }

// The device list waits for StartCapture: listing the cameras needs
// GStreamer, which starts only once the window is on the screen.
void TMain::FormCreate() {
  GrabBitmap = std::make_unique<TBitmap>();
  // Joining the clipboard's change notices stands in for the viewer chain;
  // there is no next viewer to pass them to.
  clipboardViewer_ = connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
                             GuardedSlot([this] { ClipboardChanged(); }));
}

void TMain::FormShow() {
  for (QWidget* line : {PhotoL, PhotoR, PhotoT, PhotoB}) Fill(line, kPhotoFrameColour);
  N4->setChecked(true);
  UserInfo = LoadUserInfo();
  PhotoPath = PhotoFolderInUse(UserInfo.PhotoPath);
  SetEdit1Text(UserInfo.fuser);
  UserInfo.fip = VANTORA_FTP_SERVER;
  OpenUploadRecord();
}

void TMain::FormClose() {
  ReleaseDeviceList();
  ShutDownCapture();
  disconnect(clipboardViewer_);
}

void TMain::SetGuideLinesVisible(bool visible) {
  for (QWidget* line : {PT, PB, Pb1, PR, PL, Pl1, Pl2}) line->setVisible(visible);
}

void TMain::FormMouseMove() { SetGuideLinesVisible(false); }

void TMain::BitBtn1MouseMove() { SetGuideLinesVisible(true); }

void TMain::BitBtn3Click() { close(); }

void TMain::N2Click() {
  std::string folder = ChoosePhotoFolder("请选择照片路径");
  if (folder.empty() || !IsExistingDirectory(folder)) return;
  PhotoPath = folder;
  UserInfo.PhotoPath = folder;
  SaveUserInfo(UserInfo);
}

void TMain::N3Click() {
  if (netForm_ != nullptr) ShowModalCentredOn(*netForm_, this);
}

void TMain::N4Click() {}

void TMain::N6Click() { N6->setChecked(!N6->isChecked()); }

void TMain::N7Click() {
  if (scForm_ != nullptr) ShowModalCentredOn(*scForm_, this);
}

// The work after show runs from whichever comes first: this queued call,
// which lets the window reach the screen, or the first input event aimed at
// the window, which then waits for it. So the operator never meets a
// half-filled menu or an ID box that FormShow has yet to fill.
void TMain::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (focusWidget() == nullptr && AVCapture1 != nullptr) AVCapture1->setFocus();
  QMetaObject::invokeMethod(this, [this] { afterShow_->Run(); }, Qt::QueuedConnection);
}

void TMain::closeEvent(QCloseEvent* event) {
  Guarded([this] { FormClose(); });
  event->accept();
}

// No layouts: the menu bar spans the top, the client area takes the rest.
void TMain::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceMenuAndClient();
}

void TMain::PlaceMenuAndClient() {
  int menuHeight = MainMenu1->sizeHint().height();
  MainMenu1->setGeometry(0, 0, width(), menuHeight);
  Client->setGeometry(0, menuHeight, width(), height() - menuHeight);
}

}  // namespace vantora
