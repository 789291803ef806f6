#pragma once
// The calling thread's last error, kept apart from errno: a platform call that fails stores its
// error here, and nothing else overwrites it until the next failure is stored, so the text shown
// in an error box or a traffic line is always the failure's own.

#include <string>

namespace platform {

int LastError();
void SetLastError(int code);

// Stores errno as the last error; returns false so that failing paths can `return
// FailWithErrno();`.
bool FailWithErrno();

// The system's message text for an error code (strerror_l in the user's locale, taken from the
// environment once), in CP932, without a line break.
std::string SystemMessageText(int code);

}  // namespace platform
