#include "app/Application_win.h"
#include "web/Website_win.h"
#include "windows/frmMainHandlers_win.h"
#include "windows/frmMain_win.h"

namespace {

// Set by the first way out. Handing the address to the desktop's shell is a COM call, and while
// it waits COM lets messages through: a second way out arriving then (the close box pressed
// during Close, a log-off) must not open the website again. The first one ends the program.
bool gLeaving = false;

void Leave(frmMain& form) {
  if (gLeaving) {
    return;
  }
  gLeaving = true;
  OpenWebsite(form.Handle());
  End();
}

}  // namespace

// Every way out points the user to the website once. End() stops the process without a close
// query, so the Close button never reaches frmMain_QueryClose and opens the website only here.
void Command3_Click(frmMain& form) { Leave(form); }

void Command4_Click(frmMain& form) { OpenWebsite(form.Handle()); }

// The close is never refused, whatever asked for it (close box, Alt+F4, system menu, task list,
// logging off or shutting down): the website opens, then the process ends.
void frmMain_QueryClose(frmMain& form) { Leave(form); }
