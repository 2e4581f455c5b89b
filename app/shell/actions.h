// The editor's menu commands: every item of the main window's menu tree is a
// QAction named by its form name ("menuRecord", "mnuEditUndo" ...), with its
// caption, access key, shortcut and starting visible / enabled / checked
// state. Menus (the top-level ones and the submenus) are QMenus whose
// menuAction() carries the menu's name. Whoever owns a command connects its
// handler to triggered() in their own file.
#pragma once

#include <QAction>
#include <QHash>
#include <QList>
#include <QMenu>
#include <QObject>
#include <QString>

namespace cw::app {

class ActionRegistry : public QObject {
  Q_OBJECT
 public:
  // Menus are created as children of `owner` (the main window).
  explicit ActionRegistry(QWidget* owner);

  // The item or menu of that name; a missing name is a programming error
  // (asserts in debug builds, nullptr otherwise).
  QAction* action(const QString& name) const;
  QMenu* menu(const QString& name) const;
  bool has(const QString& name) const { return actions_.contains(name); }

  // The top-level menus in menu-bar order (File ... Debug, then menuPopUp).
  const QList<QMenu*>& topMenus() const { return topMenus_; }
  // Every named item and menu, in tree order.
  const QList<QAction*>& all() const { return ordered_; }

  // Shorthands for the states commands change most.
  void setEnabled(const QString& name, bool on) const { action(name)->setEnabled(on); }
  void setChecked(const QString& name, bool on) const { action(name)->setChecked(on); }
  bool isEnabled(const QString& name) const { return action(name)->isEnabled(); }
  bool isChecked(const QString& name) const { return action(name)->isChecked(); }

 private:
  void build(QWidget* owner);

  QHash<QString, QAction*> actions_;
  QHash<QString, QMenu*> menus_;
  QList<QMenu*> topMenus_;
  QList<QAction*> ordered_;
};

}  // namespace cw::app
