// The help pages: HTML files shipped with the program, one per help topic
// number plus the contents and search pages. They are found next to the
// program (<exe dir>/help) in a build, or in <exe dir>/../share/clipwright/help
// when installed.
#pragma once

#include <QString>

namespace cw::app {

// The folder that holds the help pages; empty when none is found.
QString helpFolder();
// A page's file name: "contents.html", "search.html", "topic-1000.html".
QString contentsPage();
QString searchPage();
QString topicPage(int topic);

}  // namespace cw::app
