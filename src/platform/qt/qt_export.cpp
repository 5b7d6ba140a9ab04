#include "platform/qt/qt_export.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QProgressDialog>
#include <QSpinBox>
#include <QTimeZone>

#include <string>

#include "platform/qt/qt_child.h"
#include "platform/sndfile/sndfile_writer.h"
#include "platform/stb/stb_png_writer.h"
#include "samples/utc_time.h"
#include "settings/settings.h"
#include "sound/player.h"
#include "views/main_dialog.h"
#include "views/view_export.h"

namespace tessaly {

namespace {

// A small modal form: rows of labelled fields, OK and Cancel.
class Form : public QDialog {
 public:
  Form(QWidget* owner, const QString& title) : QDialog(owner) {
    setWindowTitle(title);
    layout_ = MakeChild<QFormLayout>(this);
    setLayout(layout_);
  }
  QComboBox* Choice(const QString& label, const QStringList& items, int current = 0) {
    auto* box = MakeChild<QComboBox>(this);
    box->addItems(items);
    box->setCurrentIndex(current);
    layout_->addRow(label, box);
    return box;
  }
  QSpinBox* Number(const QString& label, int min, int max, int value) {
    auto* box = MakeChild<QSpinBox>(this);
    box->setRange(min, max);
    box->setValue(value);
    layout_->addRow(label, box);
    return box;
  }
  QDateTimeEdit* Time(const QString& label, int64_t utc) {
    auto* edit = MakeChild<QDateTimeEdit>(this);
    edit->setTimeSpec(Qt::UTC);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    edit->setDateTime(QDateTime::fromSecsSinceEpoch(utc, QTimeZone::utc()));
    layout_->addRow(label, edit);
    return edit;
  }
  bool Ask() {
    auto* buttons =
        MakeChild<QDialogButtonBox>(this, QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout_->addRow(buttons);
    return exec() == QDialog::Accepted;
  }

 private:
  QFormLayout* layout_ = nullptr;
};

// The name the user chose, with the suffix of the chosen type added when it
// lacks one ("take" typed under "FLAC sound (*.flac)" saves "take.flac").
QString AskPath(QWidget* owner, const QString& title, const QString& name, const QString& filter) {
  QString chosen;
  // Qt's own dialog: the same on every platform, and drivable in tests.
  const QString path = QFileDialog::getSaveFileName(owner, title, name, filter, &chosen,
                                                    QFileDialog::DontUseNativeDialog);
  return QString::fromStdString(
      WithChosenSuffix(path.toUtf8().toStdString(), chosen.toUtf8().toStdString()));
}

const QStringList kViews = {QStringLiteral("View 1"), QStringLiteral("View 2")};

}  // namespace

void QtExport::Fail(const char* what, const std::string& cause) {
  dialog_.ShowMessage(what, "Tessaly", cause);
}

void QtExport::SaveSound() {
  Form form(&owner_, QStringLiteral("Save Sound"));
  QComboBox* views =
      form.Choice(QStringLiteral("Views:"),
                  {kViews[0], kViews[1], QStringLiteral("Both (View 1 left, View 2 right)")});
  QSpinBox* seconds = form.Number(QStringLiteral("Seconds:"), 1, int(kMaxSavedSeconds), 60);
  QComboBox* level = form.Choice(QStringLiteral("Level:"),
                                 {QStringLiteral("Full level"), QStringLiteral("Current volume")});
  if (!form.Ask()) {
    return;
  }
  QString filter = QStringLiteral("WAV sound (*.wav)");
  if (SndfileWriter::FlacAvailable()) {
    filter += QStringLiteral(";;FLAC sound (*.flac)");
  }
  const QString path =
      AskPath(&owner_, QStringLiteral("Save Sound"), QStringLiteral("tessaly.wav"), filter);
  if (path.isEmpty()) {
    return;
  }
  SoundSaveChoice choice{views->currentIndex() != 1, views->currentIndex() != 0, seconds->value(),
                         std::nullopt};
  if (level->currentIndex() == 1) {
    choice.volume = settings_.volume;
  }
  OfflineRun run;
  run.format = player_.format();
  run.scale = player_.scaleTable();

  QProgressDialog progress(QStringLiteral("Rendering the sound…"), QStringLiteral("Cancel"), 0,
                           int(choice.seconds), &owner_);
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(500);
  SndfileWriter writer;
  std::string error;
  const RenderOutcome outcome = SaveViewsSound(
      dialog_, choice, run, writer, path.toUtf8().toStdString(),
      [&](int64_t second) {
        progress.setValue(int(second));
        return !progress.wasCanceled();
      },
      &error);
  progress.reset();
  if (outcome == RenderOutcome::kFailed) {
    Fail("Cannot save the sound", error);
  }
}

void QtExport::SavePicture() {
  Form form(&owner_, QStringLiteral("Save Picture"));
  QComboBox* view = form.Choice(QStringLiteral("View:"), kViews);
  QComboBox* scale =
      form.Choice(QStringLiteral("Scale:"), {QStringLiteral("1×"), QStringLiteral("4×")});
  if (!form.Ask()) {
    return;
  }
  const QString path = AskPath(&owner_, QStringLiteral("Save Picture"),
                               QStringLiteral("tessaly.png"), QStringLiteral("PNG image (*.png)"));
  if (path.isEmpty()) {
    return;
  }
  StbPngWriter writer;
  const Raster picture = ViewPicture(dialog_, view->currentIndex(), scale->currentIndex() ? 4 : 1);
  std::string error;
  if (!tessaly::SavePicture(writer, picture, path.toUtf8().toStdString(), &error)) {
    Fail("Cannot save the picture", error);
  }
}

void QtExport::ExportSamples() {
  Form form(&owner_, QStringLiteral("Export Samples"));
  QComboBox* view = form.Choice(QStringLiteral("View:"), kViews);
  QComboBox* format =
      form.Choice(QStringLiteral("Format:"),
                  {QStringLiteral("CSV table"), QStringLiteral("Recorded days (tessaly-replay)")});
  const SecondRange shown = ShownSeconds(dialog_, 0);
  QDateTimeEdit* from = form.Time(QStringLiteral("From (UTC):"), shown.from);
  QDateTimeEdit* to = form.Time(QStringLiteral("To (UTC):"), shown.to);
  // The stretch follows the chosen view until the user edits it.
  QObject::connect(view, &QComboBox::currentIndexChanged, &form, [&](int v) {
    const SecondRange r = ShownSeconds(dialog_, v);
    from->setDateTime(QDateTime::fromSecsSinceEpoch(r.from, QTimeZone::utc()));
    to->setDateTime(QDateTime::fromSecsSinceEpoch(r.to, QTimeZone::utc()));
  });
  if (!form.Ask()) {
    return;
  }
  const bool days = format->currentIndex() == 1;
  const QString path =
      days ? QFileDialog::getExistingDirectory(&owner_, QStringLiteral("Export Samples"), {},
                                               QFileDialog::DontUseNativeDialog)
           : AskPath(&owner_, QStringLiteral("Export Samples"), QStringLiteral("tessaly.csv"),
                     QStringLiteral("CSV table (*.csv)"));
  if (path.isEmpty()) {
    return;
  }
  const SecondRange range{from->dateTime().toSecsSinceEpoch(), to->dateTime().toSecsSinceEpoch()};
  std::string error;
  if (!ExportViewSamples(dialog_, view->currentIndex(), range, days, path.toUtf8().toStdString(),
                         &error)) {
    Fail("Cannot export the samples", error);
  }
}

}  // namespace tessaly
