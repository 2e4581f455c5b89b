// The editor's messages for engine error numbers, and the help behind them.
#include <QFileInfo>
#include <map>
#include <set>

#include "app/shell/editing_error.h"
#include "app/windows/help_window.h"
#include "app_fixture.h"
#include "engine/common/errors.h"

namespace cw::app::testing {
namespace {

class EditingErrorTest : public AppFixture {};

TEST_F(EditingErrorTest, NumbersGroupIntoMessagesWithHelpTopics) {
  struct Case {
    int number;
    QString text;
    int topic;
  };
  const Case cases[] = {
      {1000, "Read error!", 1000},
      {1021, "Cannot find video header!", 1011},
      {1031, "Cannot find audio header!", 1011},
      {1112, "Incorrect data at the beginning of the stream!", 1100},
      {1208, "Incorrect data at the end of the stream!", 1200},
      {1609, "Incorrect data at the end of the Crop Area\n(Player Mark Out or Recorder Mark Out)!",
       1610},
      {1319, "Incorrect data at the end of the Crop Area\n(Player Mark Out or Recorder Mark Out)!",
       1610},
      {1610, "Incorrect data at the beginning of the Crop Area (Player Mark In)!", 1609},
      {2105, "Incorrect file or file access error!", 2002},
      {4011, "3008 File Access Error!", 3008},
      {7003, "Not enough space on the drive!", 3015},
      {4016, "Wrong length of project (Recorder) file!", 3017},
      {8004, "Incorrect or unbalanced input streams!", 9004},
      {6003, "Insufficient memory error!", 9005},
      {7000, "Insufficient memory error!", 7000},
      {7004, "File access error!", 7001},
      {8001, "File access error!", 9002},
  };
  for (const Case& c : cases) {
    const EditingErrorText text = editingErrorText(c.number, "engine text");
    EXPECT_TRUE(text.show);
    EXPECT_EQ(text.lines.join('\n'), c.text) << c.number;
    EXPECT_EQ(text.helpTopic, c.topic) << c.number;
  }
  for (int quiet : {0, 1999}) EXPECT_FALSE(editingErrorText(quiet, "x").show);
  // Numbers no row names show the engine's own text.
  for (int other : {1014, 1209, 1600, 1664, 3014, -1}) {
    const EditingErrorText text = editingErrorText(other, "engine text");
    EXPECT_EQ(text.lines, QStringList({QString("Error: %1").arg(other), "engine text"}));
    EXPECT_EQ(text.helpTopic, -1);
  }
}

TEST_F(EditingErrorTest, EveryMessageStandsForCataloguedErrorsOfItsOwn) {
  std::map<int, int> rowOf;  // catalogued number -> the first row that holds it
  int row = 0;
  for (const EditingErrorRow& r : editingErrorRows()) {
    for (const EditingErrorSpan& span : r.numbers) {
      EXPECT_LE(span.first, span.last) << r.line1;
      EXPECT_NE(findError(span.first), nullptr) << r.line1 << ' ' << span.first;
      EXPECT_NE(findError(span.last), nullptr) << r.line1 << ' ' << span.last;
      for (int n = span.first; n <= span.last; ++n)
        if (findError(n) && !rowOf.emplace(n, row).second)
          ADD_FAILURE() << n << " is in two messages";
    }
    ++row;
  }
  EXPECT_EQ(row, 32);
}

TEST_F(EditingErrorTest, EveryHelpTopicHasAPage) {
  std::set<int> topics;
  for (int n = -1; n < 10000; ++n) {
    const EditingErrorText text = editingErrorText(n, {});
    if (text.helpTopic >= 0) topics.insert(text.helpTopic);
  }
  EXPECT_EQ(topics.size(), 30u);
  for (int topic : topics)
    EXPECT_TRUE(QFileInfo::exists(QString(CW_SOURCE_DIR "/docs/help/topic-%1.html").arg(topic)))
        << topic;
}

TEST_F(EditingErrorTest, TheBoxOfTheEngineErrorAndItsHelpButton) {
  MainWindow& main = start();
  session().helpFolder = CW_SOURCE_DIR "/docs/help";
  Splicer& engine = *session().splicer;
  engine.setErrorMesNumber(3005);
  showEditingError(engine);
  auto shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text(), "Incompatible video data!");
  EXPECT_EQ(shown[0].title, "Editing Error:");
  EXPECT_EQ(shown[0].icon, MessageIcon::Critical);
  EXPECT_EQ(shown[0].helpTopic, 3005);

  // The Help button opens the help window at the row's topic.
  openHelpTopic(shown[0].helpTopic);
  auto* help = main.findChild<HelpWindow*>("helpWindow");
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_TRUE(help->browser()->source().path().endsWith("/topic-3005.html"));
  EXPECT_TRUE(help->browser()->toPlainText().contains("Incompatible video data"));

  engine.setErrorMesNumber(1209);
  engine.setErrorMes("the engine's own text");
  showEditingError(engine);
  shown = takeMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text(), "Error: 1209\nthe engine's own text");
  EXPECT_EQ(shown[0].helpTopic, -1);
  EXPECT_TRUE(shown[0].title.isEmpty());

  engine.setErrorMesNumber(1999);
  showEditingError(engine);
  EXPECT_TRUE(takeMessages().empty());
}

}  // namespace
}  // namespace cw::app::testing
