#include "core/MainThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace gm {

void MainThread::post(QObject* context, std::function<void()> call) {
  // Queued calls land in the receiving thread's event queue in posting order; the context must live
  // on the main thread so that the call runs there.
  Q_ASSERT(context && context->thread() == QCoreApplication::instance()->thread());
  QMetaObject::invokeMethod(context, std::move(call), Qt::QueuedConnection);
}

bool MainThread::isCurrent() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

}  // namespace gm
