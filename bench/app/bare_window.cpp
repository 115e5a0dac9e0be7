// The yardstick for the station's start-up: a Qt program that shows one
// empty window of the station's size and does nothing else.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  window.setWindowTitle("Bare window");
  window.resize(485, 378);
  window.show();
  return application.exec();
}
