// Program entry: the application, the main window (which creates every
// other window once), and the event loop until the main window closes.
#include <QApplication>

#include "app/tm_form.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("duvra"));
  duvra::TMForm form;
  form.show();
  return QApplication::exec();
}
