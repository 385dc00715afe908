#include "skin/skin_state.h"

namespace sb {

// Stand-in for the skin core's state until it lands.
SkinState& Skin() {
  static SkinState state;
  return state;
}

}  // namespace sb
