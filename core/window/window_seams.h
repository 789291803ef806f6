#pragma once
// What the main window asks of the platform that a test cannot let happen for real: the open-file
// dialog, a modal about box, the sleeps of list-file pacing and the close sequence, and the end
// of the process. QtWindowSeams does the real thing; tests record and answer.

#include <QDialog>
#include <chrono>
#include <optional>
#include <string>

namespace core {

// What the open-file dialog of "FILE送信" asks for.
struct OpenFileRequest {
  std::string defaultExtension;  // "txt"
  std::string defaultName;       // native, empty
  std::string filter;            // CP932, "text|pattern|...||"
  bool hideReadOnly = true;

  static OpenFileRequest FileToSend();
};

class WindowSeams {
 public:
  virtual ~WindowSeams() = default;
  // The chosen native path, or nothing when the user cancels.
  virtual std::optional<std::string> AskOpenFileName(QWidget& parent,
                                                     const OpenFileRequest& request) = 0;
  // Runs a modal dialog (the about box) until the user closes it.
  virtual void RunModal(QDialog& dialog) = 0;
  virtual void Sleep(std::chrono::milliseconds duration) = 0;
  // Ends the process at once with the exit code; does not return in the program.
  virtual void EndProcess(int exitCode) = 0;
};

class QtWindowSeams final : public WindowSeams {
 public:
  std::optional<std::string> AskOpenFileName(QWidget& parent,
                                             const OpenFileRequest& request) override;
  void RunModal(QDialog& dialog) override { dialog.exec(); }
  void Sleep(std::chrono::milliseconds duration) override;
  void EndProcess(int exitCode) override;
};

}  // namespace core
