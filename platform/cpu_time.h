#pragma once
// Processor time used, for measurements.

#include <chrono>

namespace platform {

// Processor time of the whole process (all threads, user and system).
std::chrono::nanoseconds ProcessCpuTime();
// Processor time of the calling thread.
std::chrono::nanoseconds ThreadCpuTime();

}  // namespace platform
