// The editor's messages for the engine's error numbers. Known numbers are
// grouped into a few user messages, each with a help topic; any other
// number shows "Error: " with the number and the engine's own text.
#pragma once

#include <QString>
#include <QStringList>
#include <initializer_list>
#include <span>

namespace cw {
class Splicer;
}

namespace cw::app {

// Engine errors from `first` to `last`, both included.
struct EditingErrorSpan {
  int first;
  int last;
};

// One message of the editor and the engine errors it stands for.
struct EditingErrorRow {
  std::initializer_list<EditingErrorSpan> numbers;
  const char* line1;
  const char* line2;  // nullptr: one line
  int helpTopic;      // the engine error whose help page explains the message
};

// The editor's messages, tried from the top.
std::span<const EditingErrorRow> editingErrorRows();

struct EditingErrorText {
  bool show = true;    // false for 0 and 1999
  QStringList lines;   // the message
  int helpTopic = -1;  // -1: no Help button, no title
};

// The message for an engine error number and the engine's own text.
EditingErrorText editingErrorText(int number, const QString& engineText);

// Shows the message for the engine's last error (errorMesNumber, errorMes):
// "Editing Error:" with OK and Help for a known number, a plain critical box
// otherwise.
void showEditingError(const Splicer& engine);

}  // namespace cw::app
