// The help viewer: the program's HTML help pages in a QTextBrowser, opened at
// the contents, the search page or a topic.
#pragma once

#include <QTextBrowser>
#include <QWidget>

namespace cw::app {

struct EditorSession;

class HelpWindow : public QWidget {
  Q_OBJECT
 public:
  explicit HelpWindow(const EditorSession& session, QWidget* parent = nullptr);

  QTextBrowser* browser() const { return browser_; }
  // Shows the page (a file name in the help folder); false when it is missing.
  bool showPage(const QString& page);
  bool showContents();
  bool showSearch();
  bool showTopic(int topic);

 private:
  const EditorSession& session_;
  QTextBrowser* browser_ = nullptr;
};

}  // namespace cw::app
