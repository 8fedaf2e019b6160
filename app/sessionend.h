#pragma once
// The program ended from outside: SIGTERM, SIGHUP and SIGINT (logout,
// shutdown, a closed terminal, Ctrl+C) and the desktop session's end. What
// was typed is made durable in the journal and the program ends with status
// 0, asking nothing: no one is there to answer.

#include <functional>

class QObject;

namespace korim::app {

// Calls endSession on the GUI thread when one of the signals arrives or the
// session manager asks for the data to be committed, then leaves the event
// loop with status 0. The signal handlers stay for the program's life.
void onSessionEnd(QObject *context, std::function<void()> endSession);

} // namespace korim::app
