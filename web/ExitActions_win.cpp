#include "web/ExitActions_win.h"

#include "core/Application_win.h"
#include "web/Website_win.h"

namespace {

// Set by the first way out. Handing the address to the desktop's shell is a COM call, and while
// it waits COM lets messages through: a second way out arriving then (the close box pressed
// during Close, a log-off) must not open the website again. The first one ends the program.
bool gLeaving = false;

}  // namespace

// End() stops the process without a close query, so after the Close button no close query
// follows and the website opens only once.
void OpenWebsiteAndEnd(HWND owner) {
  if (gLeaving) {
    return;
  }
  gLeaving = true;
  OpenWebsite(owner);
  End();
}
