// What WScript.Shell's Exec returns: a command running through the shell, its state and exit
// code, and text streams on its standard input, output and error (CP932, as a console gives it).
// The streams share the process with this object; the process is ended when the last of them
// goes (see platform::ShellProcess).

#include <memory>

#include "hostobjects/file_errors.h"
#include "hostobjects/shell_parts.h"
#include "hostobjects/text_stream.h"
#include "platform/last_error.h"
#include "platform/shell_command.h"

namespace hostobjects {
namespace {

namespace id {
constexpr DispId kStatus = 1;
constexpr DispId kExitCode = 2;
constexpr DispId kProcessID = 3;
constexpr DispId kStdIn = 4;
constexpr DispId kStdOut = 5;
constexpr DispId kStdErr = 6;
constexpr DispId kTerminate = 7;
}  // namespace id

using Process = std::shared_ptr<platform::ShellProcess>;

class OutputChannel final : public TextChannel {
 public:
  OutputChannel(Process process, platform::ShellProcess::Stream stream)
      : process_(std::move(process)), stream_(stream) {}
  bool ReadMore(std::string& into) override {
    if (!process_) return false;
    char buffer[4096];
    const long got = process_->Read(stream_, buffer, sizeof buffer);
    if (got <= 0) return false;
    into.append(buffer, static_cast<std::size_t>(got));
    return true;
  }
  Status Write(std::string_view) override { return FileError(kErrBadFileMode); }
  void Close() override { process_.reset(); }

 private:
  Process process_;
  platform::ShellProcess::Stream stream_;
};

class InputChannel final : public TextChannel {
 public:
  explicit InputChannel(Process process) : process_(std::move(process)) {}
  bool ReadMore(std::string&) override { return false; }
  Status Write(std::string_view bytes) override {
    if (!process_ || !process_->WriteInput(bytes)) return FileError(kErrPermissionDenied);
    return Status::Ok();
  }
  void Close() override {
    if (process_) process_->CloseInput();
    process_.reset();
  }

 private:
  Process process_;
};

class ScriptExec final : public HostObject {
 public:
  explicit ScriptExec(Process process) : HostObject(u"IWshExec"), process_(std::move(process)) {
    using Stream = platform::ShellProcess::Stream;
    stdIn_ =
        MakeTextStream(std::make_unique<InputChannel>(process_), StreamMode::Write, Charset::Cp932);
    stdOut_ = MakeTextStream(std::make_unique<OutputChannel>(process_, Stream::Output),
                             StreamMode::Read, Charset::Cp932);
    stdErr_ = MakeTextStream(std::make_unique<OutputChannel>(process_, Stream::Error),
                             StreamMode::Read, Charset::Cp932);
    Property(u"Status", id::kStatus,
             [this]() -> Result<Variant> { return Variant::I4(process_->ExitCode() ? 1 : 0); });
    Property(u"ExitCode", id::kExitCode,
             [this]() -> Result<Variant> { return Variant::I4(process_->ExitCode().value_or(0)); });
    Property(u"ProcessID", id::kProcessID,
             [this]() -> Result<Variant> { return Variant::I4(process_->ProcessId()); });
    Property(u"StdIn", id::kStdIn, [this]() -> Result<Variant> { return Obj(stdIn_); });
    Property(u"StdOut", id::kStdOut, [this]() -> Result<Variant> { return Obj(stdOut_); });
    Property(u"StdErr", id::kStdErr, [this]() -> Result<Variant> { return Obj(stdErr_); });
    Method(u"Terminate", id::kTerminate, 0, 0, [this](Args) -> Result<Variant> {
      process_->Terminate();
      return Variant();
    });
    Finish();
  }

 private:
  Process process_;
  Ref<automation::Dispatch> stdIn_, stdOut_, stdErr_;
};

}  // namespace

Result<Ref<automation::Dispatch>> StartExec(const std::string& command) {
  auto process = std::make_shared<platform::ShellProcess>(platform::ShellProcess::Start(command));
  if (!process->IsStarted()) return FileError(kErrBadArgument);
  return Ref<automation::Dispatch>(automation::MakeObject<ScriptExec>(std::move(process)));
}

}  // namespace hostobjects
