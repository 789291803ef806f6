#pragma once
// The port box offers the serial devices present as completions: by-id links, USB and ACM
// adapters, standard ports with a UART, and the user's COMn links. The list is read again each
// time the box takes the focus, so an adapter plugged in meanwhile is offered. The box stays a
// free edit box: a completion is only shown, and the text changes only when the user picks one.

#include <QObject>
#include <functional>
#include <string>
#include <vector>

class QCompleter;
class QLineEdit;
class QStringListModel;

namespace serial {

class PortNameCompletion final : public QObject {
 public:
  using Candidates = std::function<std::vector<std::string>()>;

  // `candidates` lists the names (native bytes); by default the system's devices.
  explicit PortNameCompletion(QLineEdit& box, Candidates candidates = {});
  ~PortNameCompletion() override;

  // Reads the devices present again.
  void Refresh();
  QCompleter& Completer() const { return *completer_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLineEdit& box_;
  Candidates candidates_;
  QStringListModel* model_;
  QCompleter* completer_;
};

}  // namespace serial
