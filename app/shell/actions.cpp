#include "app/shell/actions.h"

#include <QCoreApplication>
#include <QKeySequence>
#include <vector>

namespace cw::app {

namespace {

enum Flag : unsigned {
  None = 0,
  Hidden = 1,  // not visible
  Off = 2,     // starts disabled
  Ticked = 4,  // starts with a check mark
  Check = 8,   // carries a check mark when its command sets one
  Sep = 16,    // a separator
};

struct Item {
  int depth;  // 0: top-level menu
  const char* name;
  const char* caption;
  const char* shortcut;
  unsigned flags;
};

// The menu tree of the main window; an item followed by deeper items is a menu.
const std::vector<Item>& menuTree() {
  static const std::vector<Item> tree = {
      {0, "menuFile", QT_TRANSLATE_NOOP("ActionRegistry", "&File"), "", Off},
      {1, "mnuFileNewProject", QT_TRANSLATE_NOOP("ActionRegistry", "&New Project"), "", Hidden},
      {1, "mnuFileSaveProject", QT_TRANSLATE_NOOP("ActionRegistry", "Save &Project"), "", Hidden},
      {1, "menuOpen", QT_TRANSLATE_NOOP("ActionRegistry", "&Open"), "Ctrl+O", None},
      {1, "mnuFileImportCutList", QT_TRANSLATE_NOOP("ActionRegistry", "&Import Cut List..."), "",
       Off},
      {1, "menuClose", QT_TRANSLATE_NOOP("ActionRegistry", "&Close All"), "", Off},
      {1, "menuSaveAs", QT_TRANSLATE_NOOP("ActionRegistry", "&Save As"), "Ctrl+S", Off},
      {1, "mnuSaveAndClose", QT_TRANSLATE_NOOP("ActionRegistry", "Sa&ve and Close"), "", Off},
      {1, "", "", "", Sep | Hidden},
      {1, "mnuFilecapture", QT_TRANSLATE_NOOP("ActionRegistry", "Cap&ture"), "", Hidden},
      {2, "mnuCaptureStart", QT_TRANSLATE_NOOP("ActionRegistry", "&Start"), "Ctrl+Q", None},
      {2, "mnuCaptureSettings", QT_TRANSLATE_NOOP("ActionRegistry", "Se&ttings"), "", Hidden},
      {1, "", "", "", Sep},
      {1, "menuExport", QT_TRANSLATE_NOOP("ActionRegistry", "&Export As"), "", Off},
      {2, "mnuExportAsRealMedia", QT_TRANSLATE_NOOP("ActionRegistry", "&RealMedia"), "", None},
      {2, "menuExportLowBitrate", QT_TRANSLATE_NOOP("ActionRegistry", "&Low Bitrate Quality"), "",
       Hidden},
      {3, "mnuLBRHigh", QT_TRANSLATE_NOOP("ActionRegistry", "&High"), "", None},
      {3, "mnuLBRMedium", QT_TRANSLATE_NOOP("ActionRegistry", "&Medium"), "", None},
      {3, "mnuLBRLow", QT_TRANSLATE_NOOP("ActionRegistry", "&Low"), "", None},
      {1, "", "", "", Sep},
      {1, "menuExit", QT_TRANSLATE_NOOP("ActionRegistry", "&Exit"), "", None},

      {0, "menuEdit", QT_TRANSLATE_NOOP("ActionRegistry", "&Edit"), "", Off},
      {1, "mnuDelete", QT_TRANSLATE_NOOP("ActionRegistry", "&Delete Thumbnail(s)"), "Del", Off},
      {1, "", "", "", Sep},
      {1, "menuPreview", QT_TRANSLATE_NOOP("ActionRegistry", "&Preview"), "Ctrl+P", Off},
      {1, "menuRecord", QT_TRANSLATE_NOOP("ActionRegistry", "&Record"), "Ctrl+R", Off},
      {1, "mnuEditUndo", QT_TRANSLATE_NOOP("ActionRegistry", "&Undo Record"), "Ctrl+Z", Off},
      {1, "menuMake", QT_TRANSLATE_NOOP("ActionRegistry", "&Make Movie"), "Ctrl+M", Off},

      {0, "menuPreferences", QT_TRANSLATE_NOOP("ActionRegistry", "&Preferences"), "", Off},
      {1, "mnuPrefRecMode", QT_TRANSLATE_NOOP("ActionRegistry", "&Recorder Mode"), "", None},
      {2, "mnuRecModeMPEGSystem", QT_TRANSLATE_NOOP("ActionRegistry", "&MPEG System"), "",
       Off | Check},
      {2, "mnuRecModeVideo", QT_TRANSLATE_NOOP("ActionRegistry", "&Video Only"), "", Off | Check},
      {2, "mnuRecModeAudio", QT_TRANSLATE_NOOP("ActionRegistry", "&Audio Only"), "", Off | Check},
      {1, "mnuPrefExactCuts", QT_TRANSLATE_NOOP("ActionRegistry", "E&xact Cuts"), "", Check},
      {1, "", "", "", Sep},
      {1, "menuPreferencesPreview", QT_TRANSLATE_NOOP("ActionRegistry", "&Preview"), "", None},
      {2, "menuPreviewWindow", QT_TRANSLATE_NOOP("ActionRegistry", "&Window Size"), "", None},
      {3, "menuWindow160", QT_TRANSLATE_NOOP("ActionRegistry", "&160 x 120"), "", Check},
      {3, "menuWindow320", QT_TRANSLATE_NOOP("ActionRegistry", "&320 x 240"), "", Check},
      {3, "menuWindow640", QT_TRANSLATE_NOOP("ActionRegistry", "&640 x 480"), "", Check},
      {3, "menuWindowFull", QT_TRANSLATE_NOOP("ActionRegistry", "&Full Screen"), "", Check},
      {2, "menuPreviewPreroll", QT_TRANSLATE_NOOP("ActionRegistry", "&Preroll"), "", None},
      {3, "menuPreroll1", QT_TRANSLATE_NOOP("ActionRegistry", "&1"), "", Check},
      {3, "menuPreroll3", QT_TRANSLATE_NOOP("ActionRegistry", "&3"), "", Check},
      {3, "menuPreroll5", QT_TRANSLATE_NOOP("ActionRegistry", "&5"), "", Check},
      {3, "menuPreroll7", QT_TRANSLATE_NOOP("ActionRegistry", "&7"), "", Check},
      {3, "menuPrerollFull", QT_TRANSLATE_NOOP("ActionRegistry", "&Full"), "", Check},
      {1, "", "", "", Sep},
      {1, "mnuPrefVideoCDMode", QT_TRANSLATE_NOOP("ActionRegistry", "&VideoCD Mode"), "", None},
      {2, "mnuVideoCDNone", QT_TRANSLATE_NOOP("ActionRegistry", "&None"), "", Off | Check},
      {2, "mnuVideoCDVCD", QT_TRANSLATE_NOOP("ActionRegistry", "&VideoCD"), "", Off | Check},
      {2, "mnuVideoCDVCD20", QT_TRANSLATE_NOOP("ActionRegistry", "&VideoCD (&Zeroes)"), "",
       Off | Check},
      {1, "", "", "", Sep},
      {1, "menuTemp", QT_TRANSLATE_NOOP("ActionRegistry", "Temp &Directory"), "", None},
      {1, "", "", "", Sep},
      {1, "mnuPrefTimeCode", QT_TRANSLATE_NOOP("ActionRegistry", "&Time Code"), "Ctrl+T",
       Ticked | Check},
      {1, "menuWarnings", QT_TRANSLATE_NOOP("ActionRegistry", "&Warning Messages"), "",
       Hidden | Ticked | Check},

      {0, "mnuTools", QT_TRANSLATE_NOOP("ActionRegistry", "&Tools"), "", Off},
      {1, "mnuToolsMediaPallete", QT_TRANSLATE_NOOP("ActionRegistry", "Mosaica"), "", None},

      {0, "menuWindows", QT_TRANSLATE_NOOP("ActionRegistry", "&Windows"), "", Off},
      {1, "menuPlayer", QT_TRANSLATE_NOOP("ActionRegistry", "&Player"), "Shift+F1", Ticked | Check},
      {1, "menuRecorder", QT_TRANSLATE_NOOP("ActionRegistry", "&Recorder"), "Shift+F2",
       Ticked | Check},
      {1, "menuFootage", QT_TRANSLATE_NOOP("ActionRegistry", "&Footage"), "Shift+F3",
       Ticked | Check},

      {0, "menuHelp", QT_TRANSLATE_NOOP("ActionRegistry", "&Help"), "", Off},
      {1, "menuContents", QT_TRANSLATE_NOOP("ActionRegistry", "&Contents"), "F1", None},
      {1, "menuSearch", QT_TRANSLATE_NOOP("ActionRegistry", "&Search"), "", None},
      {1, "", "", "", Sep},
      {1, "menuAbout", QT_TRANSLATE_NOOP("ActionRegistry", "&About..."), "", None},

      {0, "mnuDebug", QT_TRANSLATE_NOOP("ActionRegistry", "&Debug"), "", Hidden | Off},
      {1, "mnuDebugPlayerMarkIn", QT_TRANSLATE_NOOP("ActionRegistry", "Player Mark &In"), "", None},
      {1, "mnuDebugPlayerMarkOut", QT_TRANSLATE_NOOP("ActionRegistry", "Player Mark &Out"), "",
       None},
      {1, "mnuDebugRecorderEntry", QT_TRANSLATE_NOOP("ActionRegistry", "Recorder &Entry"), "",
       None},
      {1, "", "", "", Sep},
      {1, "mnuDebugViewLog", QT_TRANSLATE_NOOP("ActionRegistry", "&View Log File"), "", None},
      {1, "", "", "", Sep | Hidden},
      {1, "mnuDebugPhilips", QT_TRANSLATE_NOOP("ActionRegistry", "Philips &Analyser"), "", Hidden},

      {0, "menuPopUp", QT_TRANSLATE_NOOP("ActionRegistry", "Clip Properties"), "", Hidden},
      {1, "menuPopUpPreferences", QT_TRANSLATE_NOOP("ActionRegistry", "Clip &Properties"), "",
       None},
      {1, "", "", "", Sep},
      {1, "menuPopUpDelete", QT_TRANSLATE_NOOP("ActionRegistry", "&Delete "), "", None},
      {1, "", "", "", Sep},
      {1, "menuPopUpChangeThumbnail", QT_TRANSLATE_NOOP("ActionRegistry", "&Change Thumbnail"), "",
       None},
      {1, "", "", "", Sep},
      {1, "menuPopUpExportAs", QT_TRANSLATE_NOOP("ActionRegistry", "&Export File As"), "", None},
      {2, "menuPopupExportRealMedia", QT_TRANSLATE_NOOP("ActionRegistry", "&Streaming Media"), "",
       None},
      {2, "menuPopUpExportMPEG1", QT_TRANSLATE_NOOP("ActionRegistry", "MPEG &1"), "", Hidden | Off},
      {2, "menuPopUpExportMPEG2", QT_TRANSLATE_NOOP("ActionRegistry", "MPEG &2"), "", Hidden | Off},
      {2, "menuPopUpExportAVI", QT_TRANSLATE_NOOP("ActionRegistry", "&AVI"), "", Hidden | Off},
  };
  return tree;
}

// An item's menu text in the user's language (the table holds the English).
QString captionText(const char* caption) {
  return QCoreApplication::translate("ActionRegistry", caption);
}

// The accessible name of an item: its menu text without access-key marks.
QString plainCaption(const char* caption) {
  QString text = captionText(caption);
  text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
  text.remove(QLatin1Char('&'));
  text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
  return text.trimmed();
}

void applyFlags(QAction* action, const Item& item) {
  action->setVisible(!(item.flags & Hidden));
  action->setEnabled(!(item.flags & Off));
  if (item.flags & (Check | Ticked)) {
    action->setCheckable(true);
    action->setChecked(item.flags & Ticked);
  }
}

}  // namespace

ActionRegistry::ActionRegistry(QWidget* owner) : QObject(owner) { build(owner); }

void ActionRegistry::build(QWidget* owner) {
  const auto& tree = menuTree();
  std::vector<QMenu*> parents;  // parents[d]: the open menu at depth d
  for (std::size_t i = 0; i < tree.size(); ++i) {
    const Item& item = tree[i];
    parents.resize(item.depth);
    QMenu* parent = item.depth > 0 ? parents[item.depth - 1] : nullptr;
    if (item.flags & Sep) {
      QAction* separator = parent->addSeparator();
      separator->setVisible(!(item.flags & Hidden));
      continue;
    }
    const bool isMenu = i + 1 < tree.size() && tree[i + 1].depth > item.depth;
    const QString name = QString::fromLatin1(item.name);
    QAction* action = nullptr;
    if (isMenu) {
      auto* menu = new QMenu(captionText(item.caption), parent ? parent : owner);
      menu->setObjectName(name);
      menu->setAccessibleName(plainCaption(item.caption));
      action = menu->menuAction();
      if (parent)
        parent->addMenu(menu);
      else
        topMenus_.append(menu);
      menus_.insert(name, menu);
      parents.push_back(menu);
    } else {
      action = new QAction(captionText(item.caption), this);
      if (*item.shortcut) action->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
      parent->addAction(action);
    }
    action->setObjectName(name);
    action->setToolTip(plainCaption(item.caption));
    applyFlags(action, item);
    actions_.insert(name, action);
    ordered_.append(action);
  }
}

QAction* ActionRegistry::action(const QString& name) const {
  QAction* found = actions_.value(name);
  Q_ASSERT_X(found, "ActionRegistry::action", qPrintable(name));
  return found;
}

QMenu* ActionRegistry::menu(const QString& name) const {
  QMenu* found = menus_.value(name);
  Q_ASSERT_X(found, "ActionRegistry::menu", qPrintable(name));
  return found;
}

}  // namespace cw::app
