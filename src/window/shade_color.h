// Window-free colour arithmetic of the scroll bar painter (0x00BBGGRR values).
#pragma once

#include <cstdint>

namespace sb::Module1 {

// Adds `amount` to red, green and blue separately, each kept within 0..255.
uint32_t ShadeColor(uint32_t color, int amount);

}  // namespace sb::Module1
