#pragma once

// "File" → "Data Server…": a small modal dialog to type host[:port], with
// "Test" (one request, its summary shown in the dialog) and OK, which takes
// only a valid host. The caller applies the host the dialog returns.

#include <QDialog>

#include <optional>
#include <string>

class QLabel;
class QLineEdit;

namespace tessaly {

class Clock;
class HttpGet;

class QtDataServerDialog final : public QDialog {
 public:
  QtDataServerDialog(QWidget* parent, const std::string& host, HttpGet& http, const Clock& clock);

  // The checked host after OK.
  const std::string& ChosenHost() const { return chosen_; }
  // What "Test" showed last.
  QString TestText() const;

  // The typed text's field, for the tests and the keyboard.
  QLineEdit& HostField() { return *field_; }
  void Test();
  // OK: closes with the host, or says why the text is no host and stays open.
  void accept() override;

 private:
  HttpGet& http_;
  const Clock& clock_;
  QLineEdit* field_ = nullptr;  // owned by the Qt parent (this)
  QLabel* result_ = nullptr;    // owned by the Qt parent (this)
  std::string chosen_;
};

// Shows the dialog over parent; the checked host when the user chose one.
std::optional<std::string> AskDataServer(QWidget* parent, const std::string& host, HttpGet& http,
                                         const Clock& clock);

}  // namespace tessaly
