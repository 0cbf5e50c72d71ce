#include "desktop/idle_task.h"

namespace orv::gtk {

void RunWhenIdle(std::function<void()> task, int priority) {
  g_idle_add_full(
      priority,
      [](gpointer data) -> gboolean {
        (*static_cast<std::function<void()>*>(data))();
        return G_SOURCE_REMOVE;
      },
      new std::function<void()>(std::move(task)),
      [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

}  // namespace orv::gtk
