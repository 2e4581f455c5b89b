#include "app/dialogs/clip_info_dialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>

#include "app/shell/clip_events.h"
#include "app/shell/editor_session.h"

namespace cw::app {

ClipInfoDialog::ClipInfoDialog(EditorSession& session, ActionRegistry& actions, int clipIndex,
                               QWidget* parent)
    : InfoDialog("ClipInfoForm", parent),
      session_(session),
      actions_(actions),
      clipIndex_(clipIndex) {
  txtAlias_ = new QLineEdit(this);
  txtAlias_->setObjectName("txtAlias");
  auto* caption = new QLabel(tr("Alias:"), this);
  caption->setBuddy(txtAlias_);
  txtAlias_->setAccessibleName(tr("Alias"));
  const int row = grid()->rowCount();
  grid()->addWidget(caption, row, 0);
  grid()->addWidget(txtAlias_, row, 1);

  EditorSession& state = session_;
  actions_.setEnabled("mnuDelete", false);
  state.infoWindowClip = static_cast<std::int16_t>(clipIndex_);
  const ClipRecord& clip = state.clips.at(static_cast<std::size_t>(clipIndex_));
  fill(clip.fullPath, factsOf(clip, clip.fullPath, clip.lengthTimeCode));
  txtAlias_->setText(clip.displayName());
  // Only the user's edits rename the clip, not the text the form starts with.
  connect(txtAlias_, &QLineEdit::textEdited, this, &ClipInfoDialog::onAliasEdited);
  // Deleting an earlier clip moves this one down a place; the form follows it
  // so that the alias still names it. Its own clip gone, the form closes.
  connect(&clipEvents(), &ClipEvents::clipRemoved, this, [this](int removed) {
    if (removed < clipIndex_)
      --clipIndex_;
    else if (removed == clipIndex_)
      close();
  });
}

void ClipInfoDialog::onAliasEdited(const QString& text) {
  setClipAlias(session_, clipIndex_, text);
}

void ClipInfoDialog::closeEvent(QCloseEvent* event) {
  actions_.setEnabled("mnuDelete", true);
  session_.infoWindowClip = -1;
  InfoDialog::closeEvent(event);
}

}  // namespace cw::app
