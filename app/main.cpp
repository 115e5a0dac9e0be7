#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget w;
  w.setWindowTitle(QString::fromUtf8("Vantora V2014年6月20日  "));
  w.show();
  return app.exec();
}
