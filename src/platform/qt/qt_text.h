#pragma once

// UTF-8 texts of the core to and from Qt's strings, and how an edit shows them.

#include <QLineEdit>
#include <QString>

#include <string>
#include <string_view>

namespace tessaly {

inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToUtf8(const QString& text) {
  return text.toStdString();
}

// Keeps a line edit's beginning in view, as a platform edit does after its text is set.
inline void ShowBeginning(QLineEdit& edit) {
  edit.setCursorPosition(0);
}

}  // namespace tessaly
