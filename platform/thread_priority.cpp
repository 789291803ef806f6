#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

void LowerCurrentThreadPriority() {
  // On Linux the nice value belongs to each thread, named by its thread id.
  const id_t thread = static_cast<id_t>(gettid());
  errno = 0;
  const int current = getpriority(PRIO_PROCESS, thread);
  if (current == -1 && errno != 0) return;
  setpriority(PRIO_PROCESS, thread, current + 1);
}

}  // namespace platform
