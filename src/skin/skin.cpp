#include "skin/skin.h"

namespace sb {

// Placeholder until the skin module lands: nothing is subclassed.
bool SkinAttach(HWND) { return false; }
bool SkinDetach(HWND) { return false; }

}  // namespace sb
