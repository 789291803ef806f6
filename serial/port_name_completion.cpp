#include "serial/port_name_completion.h"

#include <QCompleter>
#include <QEvent>
#include <QFile>
#include <QLineEdit>
#include <QStringListModel>

#include "platform/serial_port_names.h"

namespace serial {

PortNameCompletion::PortNameCompletion(QLineEdit& box, Candidates candidates)
    : box_(box),
      candidates_(candidates ? std::move(candidates)
                             : [] { return platform::SerialPortCandidates(); }),
      model_(new QStringListModel(this)),
      completer_(new QCompleter(model_, this)) {
  // A popup only: the typed text is never completed in place.
  completer_->setCompletionMode(QCompleter::PopupCompletion);
  completer_->setCaseSensitivity(Qt::CaseInsensitive);
  // "USB" finds /dev/serial/by-id/usb-... and ttyUSB0 alike.
  completer_->setFilterMode(Qt::MatchContains);
  box_.setCompleter(completer_);
  box_.installEventFilter(this);
  Refresh();
}

PortNameCompletion::~PortNameCompletion() {
  box_.removeEventFilter(this);
  if (box_.completer() == completer_) box_.setCompleter(nullptr);
}

void PortNameCompletion::Refresh() {
  QStringList names;
  for (const std::string& name : candidates_()) {
    names.push_back(QFile::decodeName(QByteArray::fromStdString(name)));
  }
  if (names != model_->stringList()) model_->setStringList(names);
}

bool PortNameCompletion::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &box_ && event->type() == QEvent::FocusIn) Refresh();
  return QObject::eventFilter(watched, event);
}

}  // namespace serial
