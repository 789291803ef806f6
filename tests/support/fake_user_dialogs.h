#pragma once
// A stand-in for the window's modal boxes and file dialogs: it records every box instead of
// blocking, and answers the save-as dialog with a path set by the test (or a cancel).

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/error_reporting.h"

namespace testing_support {

class FakeUserDialogs : public core::UserDialogs {
 public:
  struct Box {
    std::string caption;  // CP932
    std::string text;     // CP932
  };

  // Every box shown, oldest first.
  std::vector<Box> boxes;
  // Every save-as request, oldest first.
  std::vector<core::SaveFileRequest> saveRequests;
  // The answers of the coming save-as dialogs, first one first; an empty entry is a cancel, and
  // so is a dialog that finds no answer left.
  std::deque<std::optional<std::string>> saveAnswers;
  // Runs while a box is "shown", as the window's handlers would run behind a real modal box.
  std::function<void()> whileBoxShown;

  std::optional<std::string> AskSaveFileName(const core::SaveFileRequest& request) override {
    saveRequests.push_back(request);
    if (saveAnswers.empty()) return std::nullopt;
    std::optional<std::string> answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
  }

 protected:
  void ShowStopBox(std::string_view caption, std::string_view text) override {
    boxes.push_back({std::string(caption), std::string(text)});
    if (whileBoxShown) whileBoxShown();
  }
};

}  // namespace testing_support
