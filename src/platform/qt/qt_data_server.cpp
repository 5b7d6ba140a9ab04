#include "platform/qt/qt_data_server.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "platform/qt/qt_child.h"
#include "views/data_server.h"

namespace tessaly {

QtDataServerDialog::QtDataServerDialog(QWidget* parent, const std::string& host, HttpGet& http,
                                       const Clock& clock)
    : QDialog(parent), http_(http), clock_(clock) {
  setWindowTitle(QString::fromUtf8(kDataServerTitle));
  auto* layout = MakeChild<QGridLayout>(this);
  setLayout(layout);
  auto* label = MakeChild<QLabel>(this, QStringLiteral("&Host[:port]:"));
  field_ = MakeChild<QLineEdit>(this, QString::fromStdString(host));
  field_->setMinimumWidth(field_->fontMetrics().averageCharWidth() * 36);
  label->setBuddy(field_);
  auto* test = MakeChild<QPushButton>(this, QStringLiteral("&Test"));
  test->setAutoDefault(false);
  result_ = MakeChild<QLabel>(this);
  result_->setWordWrap(true);
  result_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  result_->setMinimumHeight(result_->fontMetrics().lineSpacing() * 3);
  result_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* buttons =
      MakeChild<QDialogButtonBox>(this, QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  layout->addWidget(label, 0, 0);
  layout->addWidget(field_, 0, 1);
  layout->addWidget(test, 0, 2);
  layout->addWidget(result_, 1, 0, 1, 3);
  layout->addWidget(buttons, 2, 0, 1, 3);
  connect(test, &QPushButton::clicked, this, [this] { Test(); });
  connect(buttons, &QDialogButtonBox::accepted, this, [this] { accept(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  field_->selectAll();
  field_->setFocus();
}

QString QtDataServerDialog::TestText() const {
  return result_->text();
}

void QtDataServerDialog::Test() {
  result_->setText(QStringLiteral("Asking the server…"));
  QApplication::setOverrideCursor(Qt::WaitCursor);
  // The label shows before the request holds the thread.
  result_->repaint();
  const ServerTestResult result = TestDataServer(http_, clock_, field_->text().toStdString());
  QApplication::restoreOverrideCursor();
  result_->setText(QString::fromStdString(result.text));
}

void QtDataServerDialog::accept() {
  const ServerHostCheck check = CheckServerHost(field_->text().toStdString());
  if (!check.ok()) {
    QMessageBox::warning(this, QString::fromUtf8(kDataServerTitle),
                         QString::fromStdString(check.error));
    field_->setFocus();
    return;
  }
  chosen_ = check.host;
  QDialog::accept();
}

std::optional<std::string> AskDataServer(QWidget* parent, const std::string& host, HttpGet& http,
                                         const Clock& clock) {
  QtDataServerDialog dialog(parent, host, http, clock);
  if (dialog.exec() != QDialog::Accepted) {
    return std::nullopt;
  }
  return dialog.ChosenHost();
}

}  // namespace tessaly
