#include "app/shell/actions.h"

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
      {0, "menuFile", "&File", "", Off},
      {1, "mnuFileNewProject", "&New Project", "", Hidden},
      {1, "mnuFileSaveProject", "Save &Project", "", Hidden},
      {1, "menuOpen", "&Open", "Ctrl+O", None},
      {1, "mnuFileImportCutList", "&Import Cut List...", "", Off},
      {1, "menuClose", "&Close All", "", Off},
      {1, "menuSaveAs", "&Save As", "Ctrl+S", Off},
      {1, "mnuSaveAndClose", "Sa&ve and Close", "", Off},
      {1, "", "", "", Sep | Hidden},
      {1, "mnuFilecapture", "Cap&ture", "", Hidden},
      {2, "mnuCaptureStart", "&Start", "Ctrl+Q", None},
      {2, "mnuCaptureSettings", "Se&ttings", "", Hidden},
      {1, "", "", "", Sep},
      {1, "menuExport", "&Export As", "", Off},
      {2, "mnuExportAsRealMedia", "&RealMedia", "", None},
      {2, "menuExportLowBitrate", "&Low Bitrate Quality", "", Hidden},
      {3, "mnuLBRHigh", "&High", "", None},
      {3, "mnuLBRMedium", "&Medium", "", None},
      {3, "mnuLBRLow", "&Low", "", None},
      {1, "", "", "", Sep},
      {1, "menuExit", "&Exit", "", None},

      {0, "menuEdit", "&Edit", "", Off},
      {1, "mnuDelete", "&Delete Thumbnail(s)", "Del", Off},
      {1, "", "", "", Sep},
      {1, "menuPreview", "&Preview", "Ctrl+P", Off},
      {1, "menuRecord", "&Record", "Ctrl+R", Off},
      {1, "mnuEditUndo", "&Undo Record", "Ctrl+Z", Off},
      {1, "menuMake", "&Make Movie", "Ctrl+M", Off},

      {0, "menuPreferences", "&Preferences", "", Off},
      {1, "mnuPrefRecMode", "&Recorder Mode", "", None},
      {2, "mnuRecModeMPEGSystem", "&MPEG System", "", Off | Check},
      {2, "mnuRecModeVideo", "&Video Only", "", Off | Check},
      {2, "mnuRecModeAudio", "&Audio Only", "", Off | Check},
      {1, "mnuPrefExactCuts", "E&xact Cuts", "", Check},
      {1, "", "", "", Sep},
      {1, "menuPreferencesPreview", "&Preview", "", None},
      {2, "menuPreviewWindow", "&Window Size", "", None},
      {3, "menuWindow160", "&160 x 120", "", Check},
      {3, "menuWindow320", "&320 x 240", "", Check},
      {3, "menuWindow640", "&640 x 480", "", Check},
      {3, "menuWindowFull", "&Full Screen", "", Check},
      {2, "menuPreviewPreroll", "&Preroll", "", None},
      {3, "menuPreroll1", "&1", "", Check},
      {3, "menuPreroll3", "&3", "", Check},
      {3, "menuPreroll5", "&5", "", Check},
      {3, "menuPreroll7", "&7", "", Check},
      {3, "menuPrerollFull", "&Full", "", Check},
      {1, "", "", "", Sep},
      {1, "mnuPrefVideoCDMode", "&VideoCD Mode", "", None},
      {2, "mnuVideoCDNone", "&None", "", Off | Check},
      {2, "mnuVideoCDVCD", "&VideoCD", "", Off | Check},
      {2, "mnuVideoCDVCD20", "&VideoCD (&Zeroes)", "", Off | Check},
      {1, "", "", "", Sep},
      {1, "menuTemp", "Temp &Directory", "", None},
      {1, "", "", "", Sep},
      {1, "mnuPrefTimeCode", "&Time Code", "Ctrl+T", Ticked | Check},
      {1, "menuWarnings", "&Warning Messages", "", Hidden | Ticked | Check},

      {0, "mnuTools", "&Tools", "", Off},
      {1, "mnuToolsMediaPallete", "Mosaica", "", None},

      {0, "menuWindows", "&Windows", "", Off},
      {1, "menuPlayer", "&Player", "Shift+F1", Ticked | Check},
      {1, "menuRecorder", "&Recorder", "Shift+F2", Ticked | Check},
      {1, "menuFootage", "&Footage", "Shift+F3", Ticked | Check},

      {0, "menuHelp", "&Help", "", Off},
      {1, "menuContents", "&Contents", "F1", None},
      {1, "menuSearch", "&Search", "", None},
      {1, "", "", "", Sep},
      {1, "menuAbout", "&About...", "", None},

      {0, "mnuDebug", "&Debug", "", Hidden | Off},
      {1, "mnuDebugPlayerMarkIn", "Player Mark &In", "", None},
      {1, "mnuDebugPlayerMarkOut", "Player Mark &Out", "", None},
      {1, "mnuDebugRecorderEntry", "Recorder &Entry", "", None},
      {1, "", "", "", Sep},
      {1, "mnuDebugViewLog", "&View Log File", "", None},
      {1, "", "", "", Sep | Hidden},
      {1, "mnuDebugPhilips", "Philips &Analyser", "", Hidden},

      {0, "menuPopUp", "Clip Properties", "", Hidden},
      {1, "menuPopUpPreferences", "Clip &Properties", "", None},
      {1, "", "", "", Sep},
      {1, "menuPopUpDelete", "&Delete ", "", None},
      {1, "", "", "", Sep},
      {1, "menuPopUpChangeThumbnail", "&Change Thumbnail", "", None},
      {1, "", "", "", Sep},
      {1, "menuPopUpExportAs", "&Export File As", "", None},
      {2, "menuPopupExportRealMedia", "&Streaming Media", "", None},
      {2, "menuPopUpExportMPEG1", "MPEG &1", "", Hidden | Off},
      {2, "menuPopUpExportMPEG2", "MPEG &2", "", Hidden | Off},
      {2, "menuPopUpExportAVI", "&AVI", "", Hidden | Off},
  };
  return tree;
}

// The accessible name of an item: its menu text without access-key marks.
QString plainCaption(const char* caption) {
  QString text = QString::fromUtf8(caption);
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
      auto* menu = new QMenu(QString::fromUtf8(item.caption), parent ? parent : owner);
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
      action = new QAction(QString::fromUtf8(item.caption), this);
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
