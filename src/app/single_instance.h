// One SongBox at a time: the first instance holds a named mutex for its
// whole run; a later start finds the first one's main window by its class
// and caption, brings it forward and ends without a window of its own.
#pragma once

#include <windows.h>

#include "platform/handles.h"

namespace sb {

class SingleInstance {
 public:
  SingleInstance();
  // False when another SongBox already runs.
  bool first() const { return first_; }

 private:
  UniqueKernelHandle mutex_;
  bool first_ = true;
};

// Restores the running instance's main window if it is minimised and brings
// it to the front. It may still be starting: waits up to `waitMs` for it.
// False when no such window appeared.
bool ActivateRunningInstance(DWORD waitMs);

}  // namespace sb
