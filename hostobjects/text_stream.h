#pragma once
// The TextStream object: text read from or written to a channel (a file, or a pipe of a
// process started by the shell object), in CP932 or UTF-16LE. Lines end with CR LF when
// written; a read line ends at CR LF, LF or CR. Line and Column count from 1.

#include <memory>
#include <string>
#include <string_view>

#include "hostobjects/host_object.h"
#include "hostobjects/text_codec.h"
#include "platform/files.h"

namespace hostobjects {

// Where a text stream's bytes come from or go to.
class TextChannel {
 public:
  virtual ~TextChannel() = default;
  // Appends further bytes; false at the end (or on a failure, which ends the stream too).
  virtual bool ReadMore(std::string& into) = 0;
  virtual Status Write(std::string_view bytes) = 0;
  virtual void Close() = 0;
};

// A channel over an open file; reading takes the file to its end at once.
std::unique_ptr<TextChannel> MakeFileChannel(platform::File file);

enum class StreamMode { Read = 1, Write = 2, Append = 8 };

Ref<automation::Dispatch> MakeTextStream(std::unique_ptr<TextChannel> channel, StreamMode mode,
                                         Charset charset);

}  // namespace hostobjects
