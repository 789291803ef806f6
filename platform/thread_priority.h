#pragma once
// Scheduling of the calling thread.

namespace platform {

// Lowers the calling thread's priority one step below the process's, as a background worker
// that must never hold up the user interface. Failure is harmless and ignored.
void LowerCurrentThreadPriority();

}  // namespace platform
