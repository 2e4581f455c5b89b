#include "app/controllers/cut_list_importer.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

#include "app/commands/commands.h"
#include "app/controllers/record_controller.h"
#include "app/shell/actions.h"
#include "app/shell/messages.h"
#include "app/windows/main_window.h"
#include "app/windows/player_window.h"
#include "app/windows/recorder_window.h"
#include "player/scrub_pane.h"

namespace cw::app {

namespace {

// Larger than any list a person or a detector writes.
constexpr qint64 kLargestList = 1 << 20;

QString seconds(double value) { return QString::number(value, 'f', 3); }

bool isEditDecisionList(const QString& path) {
  return QFileInfo(path).suffix().compare(QLatin1String("edl"), Qt::CaseInsensitive) == 0;
}

}  // namespace

std::vector<Stretch> readCutList(const QString& path, double clipLength, QString& problem) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    problem = CutListImporter::tr("%1: cannot be read (%2)").arg(path, file.errorString());
    return {};
  }
  const QByteArray text = file.read(kLargestList + 1);
  if (text.size() > kLargestList) {
    problem = CutListImporter::tr("%1: too large for a cut list").arg(path);
    return {};
  }
  const std::string_view view(text.constData(), static_cast<std::size_t>(text.size()));
  std::vector<Stretch> stretches;
  CutListProblem bad;
  const bool read = isEditDecisionList(path) ? parseEditDecisionList(view, stretches, bad)
                                             : parseKeepList(view, stretches, bad);
  if (!read) {
    problem = CutListImporter::tr("%1, line %2: %3")
                  .arg(path)
                  .arg(bad.line)
                  .arg(QString::fromStdString(bad.reason));
    return {};
  }
  if (isEditDecisionList(path)) stretches = keptBetween(std::move(stretches), clipLength);
  for (std::size_t i = 0; i < stretches.size(); ++i) {
    Stretch& stretch = stretches[i];
    if (stretch.start >= clipLength) {
      problem = CutListImporter::tr("%1: stretch %2 (%3 - %4 s) begins after the clip's end (%5 s)")
                    .arg(path)
                    .arg(i + 1)
                    .arg(seconds(stretch.start), seconds(stretch.end), seconds(clipLength));
      return {};
    }
    stretch.end = std::min(stretch.end, clipLength);
  }
  if (stretches.empty()) problem = CutListImporter::tr("%1: the list keeps nothing").arg(path);
  return stretches;
}

CutListImporter::CutListImporter(MainWindow& form)
    : QObject(&form), form_(form), actions_(form.actions()) {
  setObjectName(QStringLiteral("cutListImporter"));
  QAction* import = actions_.action(QStringLiteral("mnuFileImportCutList"));
  QAction* record = actions_.action(QStringLiteral("menuRecord"));
  // A list is recorded as Record would record each stretch: when Record can run.
  import->setEnabled(record->isEnabled());
  connect(record, &QAction::changed, import,
          [import, record] { import->setEnabled(record->isEnabled()); });
  connect(import, &QAction::triggered, this, [this] { onImportCutList(); });
}

QString CutListImporter::askCutListPath() {
  QFileDialog dialog(&form_, tr("Import Cut List"),
                     lastFolder_.isEmpty() ? QDir::homePath() : lastFolder_);
  dialog.setObjectName(QStringLiteral("cutListDialog"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilters({tr("Cut lists (*.txt *.cut *.edl)"), tr("All files (*)")});
  if (dialog.exec() != QDialog::Accepted) return {};
  const QString path = dialog.selectedFiles().value(0);
  if (!path.isEmpty()) lastFolder_ = QFileInfo(path).absolutePath();
  return path;
}

void CutListImporter::onImportCutList() {
  if (!actions_.isEnabled(QStringLiteral("mnuFileImportCutList"))) return;
  const QString path = askCutListPath();
  if (!path.isEmpty()) importFile(path);
}

int CutListImporter::importFile(const QString& path) {
  auto* records = form_.findChild<RecordController*>();
  player::ScrubPane& player = *form_.playerWindow()->playerPane();
  player::ScrubPane& recorder = *form_.recorderWindow()->recorderPane();
  if (!records || !actions_.isEnabled(QStringLiteral("menuRecord"))) {
    exclamation({tr("Load a clip into the player first:"),
                 tr("a cut list names stretches of the player's clip.")});
    return 0;
  }
  QString problem;
  const std::vector<Stretch> stretches = readCutList(path, player.length(), problem);
  if (stretches.empty()) {
    exclamation({problem});
    return 0;
  }

  int recorded = 0;
  for (const Stretch& stretch : stretches) {
    records->setRecordingCaption(
        tr("Recording stretch %1 of %2...").arg(recorded + 1).arg(stretches.size()));
    player.setMarkIn(stretch.start);
    player.setMarkOut(stretch.end);
    // Each stretch goes to the project's end, as an append.
    if (recorder.mode() != player::kModeNoClip) recorder.setMarkOut(recorder.length());
    // A failed record has said why; a cancelled one ends the list.
    if (!records->onRecordClicked()) break;
    ++recorded;
  }
  records->setRecordingCaption({});
  return recorded;
}

void installCutListCommands(MainWindow& form) { new CutListImporter(form); }

}  // namespace cw::app
