#include "core/MainThread.h"

#include <atomic>

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

namespace gm {
namespace {

// One posted call. Made and published by the posting thread, run and destroyed by the main thread:
// the call and everything it captured never change threads twice, and the atomic flag is the
// hand-over that thread checkers can see (Qt's event queue locks are invisible to them).
class PostedCall final : public QEvent {
 public:
  PostedCall(QObject* context, std::function<void()> call)
      : QEvent(eventType()), context_(context), call_(std::move(call)) {
    published_.store(true, std::memory_order_release);
  }

  void run() {
    if (!published_.load(std::memory_order_acquire)) return;
    if (context_) call_();
  }

  static QEvent::Type eventType() {
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
  }

 private:
  QPointer<QObject> context_;
  std::function<void()> call_;
  std::atomic<bool> published_{false};
};

// Receives every posted call on the main thread, in posting order. Posted calls are the only custom
// events it ever gets; nothing of an event is read before the call's own hand-over flag.
class Dispatcher final : public QObject {
 protected:
  void customEvent(QEvent* event) override { static_cast<PostedCall*>(event)->run(); }
};

// Made on first use and handed to the main thread; kept for the life of the process, since a post
// may come from any thread at any time.
Dispatcher& dispatcher() {
  static Dispatcher* instance = [] {
    auto* made = new Dispatcher;
    made->moveToThread(QCoreApplication::instance()->thread());
    return made;
  }();
  return *instance;
}

}  // namespace

void MainThread::post(QObject* context, std::function<void()> call) {
  Q_ASSERT(context && context->thread() == QCoreApplication::instance()->thread());
  QCoreApplication::postEvent(&dispatcher(), new PostedCall(context, std::move(call)));
}

bool MainThread::isCurrent() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

}  // namespace gm
