#include "app/windows/footage_form.h"

#include <QHBoxLayout>

namespace cw::app {

FootageForm::FootageForm(QWidget* parent) : QMdiSubWindow(parent) {
  setObjectName(QStringLiteral("FootageForm"));
  setWindowTitle(tr("Footage"));
  setAccessibleName(windowTitle());
  auto* body = new QWidget(this);
  auto* layout = new QHBoxLayout(body);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  picBackGround_ = new QWidget(body);
  picBackGround_->setObjectName(QStringLiteral("picBackGround"));
  picBackGround_->setAccessibleName(tr("Footage"));
  vScroll1_ = new QScrollBar(Qt::Vertical, body);
  vScroll1_->setObjectName(QStringLiteral("VScroll1"));
  vScroll1_->setAccessibleName(tr("Scroll footage"));
  vScroll1_->hide();
  layout->addWidget(picBackGround_, 1);
  layout->addWidget(vScroll1_);
  setWidget(body);
}

}  // namespace cw::app
