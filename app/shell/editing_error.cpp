#include "app/shell/editing_error.h"

#include <initializer_list>
#include <utility>

#include "app/shell/app_state.h"
#include "app/shell/messages.h"

namespace cw::app {

namespace {

struct Range {
  int first;
  int last;
};

struct Row {
  std::initializer_list<Range> numbers;
  const char* line1;
  const char* line2;  // nullptr: one line
  int topic;
};

// Tried from the top; the first row that holds the number gives the message.
const Row kRows[] = {
    {{{1000, 1000}}, "Read error!", nullptr, 1000},
    {{{1001, 1001}}, "Memory allocation error!", nullptr, 1001},
    {{{1002, 1002}}, "Wrong file type!", nullptr, 1002},
    {{{1010, 1010}}, "File is too short!", nullptr, 1010},
    {{{1011, 1011}}, "File header is missing!", nullptr, 1011},
    {{{1012, 1012}, {1021, 1021}}, "Cannot find video header!", nullptr, 1011},
    {{{1013, 1013}, {1031, 1031}}, "Cannot find audio header!", nullptr, 1011},
    {{{1022, 1022}}, "No GOPs in video file!", nullptr, 1022},
    {{{1100, 1112}}, "Incorrect data at the beginning of the stream!", nullptr, 1100},
    {{{1200, 1208}}, "Incorrect data at the end of the stream!", nullptr, 1200},
    {{{1500, 1508}}, "Incorrect header information!", nullptr, 1500},
    {{{1300, 1319}, {1609, 1609}},
     "Incorrect data at the end of the Crop Area",
     "(Player Mark Out or Recorder Mark Out)!",
     1610},
    {{{1400, 1410}, {1610, 1610}},
     "Incorrect data at the beginning of the Crop Area (Player Mark In)!",
     nullptr,
     1609},
    {{{2000, 2000}, {2100, 2100}}, "Undo (Redo) is disabled!", nullptr, 2000},
    {{{2001, 2001}, {2101, 2101}}, "Memory access error!", nullptr, 2001},
    {{{2002, 2008}, {2102, 2108}}, "Incorrect file or file access error!", nullptr, 2002},
    {{{3000, 3003}, {4000, 4003}}, "Cannot open the file!", nullptr, 3000},
    {{{3004, 3004}, {4004, 4004}}, "Incorrect audio in project (Recorder) file!", nullptr, 3004},
    {{{3005, 3005}, {4005, 4005}}, "Incompatible video data!", nullptr, 3005},
    {{{3006, 3006}, {4006, 4006}}, "Incompatible audio data!", nullptr, 3006},
    {{{3007, 3007}, {3019, 3019}, {4007, 4007}, {4019, 4019}},
     "Insufficient Memory or Memory Access Error!",
     nullptr,
     3007},
    {{{3008, 3012}, {4008, 4012}}, "3008 File Access Error!", nullptr, 3008},
    {{{3013, 3013}, {4013, 4013}}, "Restore error!", nullptr, 3013},
    {{{3015, 3015}, {4015, 4015}, {7003, 7003}}, "Not enough space on the drive!", nullptr, 3015},
    {{{3016, 3017}, {4016, 4017}}, "Wrong length of project (Recorder) file!", nullptr, 3017},
    {{{3020, 3021}, {4020, 4021}}, "Incorrect source (Player) file!", nullptr, 3020},
    {{{5001, 5009}}, "Incorrect data found in MPEG stream!", nullptr, 5001},
    {{{6001, 6002}, {8000, 8001}, {9002, 9002}}, "File access error!", nullptr, 9002},
    {{{6004, 6005}, {8003, 8005}, {9003, 9004}},
     "Incorrect or unbalanced input streams!",
     nullptr,
     9004},
    {{{6003, 6003}, {8002, 8002}, {9005, 9005}}, "Insufficient memory error!", nullptr, 9005},
    {{{7000, 7000}}, "Insufficient memory error!", nullptr, 7000},
    {{{7001, 7002}, {7004, 7004}}, "File access error!", nullptr, 7001},
};

bool holds(const Row& row, int number) {
  for (const Range& range : row.numbers)
    if (number >= range.first && number <= range.last) return true;
  return false;
}

}  // namespace

EditingErrorText editingErrorText(int number, const QString& engineText) {
  EditingErrorText text;
  if (number == 0 || number == 1999) {
    text.show = false;
    return text;
  }
  for (const Row& row : kRows) {
    if (!holds(row, number)) continue;
    text.lines << QString::fromLatin1(row.line1);
    if (row.line2) text.lines << QString::fromLatin1(row.line2);
    text.helpTopic = row.topic;
    return text;
  }
  text.lines << QStringLiteral("Error: %1").arg(number) << engineText;
  return text;
}

void ShowEditingError() {
  const Splicer& engine = *appState().Tazo1;
  const EditingErrorText text =
      editingErrorText(engine.errorMesNumber(), QString::fromStdString(engine.errorMes()));
  if (!text.show) return;
  MessageBox box;
  box.lines = text.lines;
  box.icon = MessageIcon::Critical;
  if (text.helpTopic >= 0) {
    box.title = QStringLiteral("Editing Error:");
    box.helpTopic = text.helpTopic;
  }
  showMessage(box);
}

}  // namespace cw::app
