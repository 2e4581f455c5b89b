// Requests to stop the editor from outside: SIGTERM (a session logging out,
// a service manager) and SIGHUP (a closed terminal) cancel a record that is
// running, which puts the project back, and then end the process with
// 128 + the signal's number, leaving the working files for the recovery
// offer of the next start; a session manager's quit request asks as
// File > Exit does.
#pragma once

namespace cw::app {

class MainWindow;

void installStopRequests(MainWindow& form);

// A session manager's quit request: asks as File > Exit does when the
// session lets the editor ask (`mayAsk`). False when the editor goes on
// running, which cancels the logout; without a way to ask the editor lets
// the session end and its working files stay for the recovery offer.
bool answerQuitRequest(MainWindow& form, bool mayAsk);

}  // namespace cw::app
