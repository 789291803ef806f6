#pragma once
// Widgets are owned by their parent widget, which deletes them with itself. This is the one place
// where a new widget's ownership passes from us to its parent.

#include <memory>
#include <utility>

class QObject;

namespace core {

template <class Child, class Parent, class... Args>
Child* MakeChild(Parent& parent, Args&&... args) {
  auto child = std::make_unique<Child>(std::forward<Args>(args)...);
  child->setParent(&parent);
  return child.release();
}

}  // namespace core
