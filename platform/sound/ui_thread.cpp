#include "platform/sound/ui_thread.h"

#include <QCoreApplication>
#include <QThread>

#include "platform/classlib/application.h"

namespace sound {

bool OnUiThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app && app->thread() == QThread::currentThread();
}

bool PumpUiMessages() {
  if (!OnUiThread()) return false;
  classlib::Application->ProcessMessages();
  return true;
}

}  // namespace sound
