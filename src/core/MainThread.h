#pragma once
// Posting work to the main thread. Background threads never touch models or widgets themselves: they
// post a call, which the main thread's event loop runs later. Posts made by one thread run in the
// order they were made. This allocates, so audio threads use their own fixed rings instead.

#include <functional>

#include <QObject>
#include <QPointer>

namespace gm {

class MainThread {
 public:
  // [any-thread] Runs `call` on the main thread. When `context` is destroyed before the call runs,
  // the call is dropped, so a post can never reach a deleted receiver.
  static void post(QObject* context, std::function<void()> call);

  // [any-thread] True on the thread that runs the application's event loop.
  static bool isCurrent();
};

}  // namespace gm
