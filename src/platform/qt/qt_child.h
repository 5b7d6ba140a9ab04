#pragma once

#include <QObject>

#include <memory>
#include <utility>

namespace tessaly {

// Makes a widget (or layout) and hands it to its Qt parent, which owns and
// deletes it with itself.
template <class W, class Parent, class... Args>
W* MakeChild(Parent* parent, Args&&... args) {
  auto child = std::make_unique<W>(std::forward<Args>(args)...);
  child->setParent(parent);
  return child.release();
}

}  // namespace tessaly
