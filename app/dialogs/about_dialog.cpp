#include "app/dialogs/about_dialog.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app/shell/library_notices.h"
#include "app/shell/settings.h"

namespace cw::app {

namespace {

QString librariesText() {
  QString text = QObject::tr("Clipwright Editor runs on these libraries:");
  for (const LibraryNotice& notice : libraryNotices())
    text += QStringLiteral("\n  %1 %2: %3").arg(notice.name, notice.version, notice.licence);
  text += QObject::tr(
      "\n\nThe FFmpeg libraries are used as shared libraries of the system; their source is "
      "available from ffmpeg.org and from your distribution.");
  return text;
}

}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("frmAbout");
  setWindowTitle(tr("About %1").arg(QString::fromLatin1(kApplicationName)));
  setAccessibleName(windowTitle());
  setAttribute(Qt::WA_DeleteOnClose);

  labTitle_ = addLabel("labTitle", QString::fromLatin1(kApplicationName));
  QFont big = labTitle_->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  labTitle_->setFont(big);
  labVersion_ = addLabel("labVersion", tr("Version %1").arg(programVersion()));
  auto* description =
      addLabel("labDescription", tr("Cuts and joins MPEG-1 movies without re-encoding them."));
  labLibraries_ = addLabel("labLibraries", librariesText());
  labLibraries_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  okButton_ = new QPushButton(tr("OK"), this);
  okButton_->setObjectName("butOK");
  okButton_->setAccessibleName(tr("OK"));
  okButton_->setDefault(true);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton_);
  auto* layout = new QVBoxLayout(this);
  for (QLabel* label : {labTitle_, labVersion_, description, labLibraries_})
    layout->addWidget(label);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QLabel* AboutDialog::addLabel(const char* name, const QString& text) {
  auto* label = new QLabel(text, this);
  label->setObjectName(QString::fromLatin1(name));
  label->setAccessibleName(text);
  return label;
}

}  // namespace cw::app
