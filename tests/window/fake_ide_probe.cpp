// Stands in for the development environment's runtime module: exports EbMode
// with a mode the test chooses (2 = paused).
#include <windows.h>

namespace {
int g_mode = 0;
}

extern "C" __declspec(dllexport) int EbMode() { return g_mode; }
extern "C" __declspec(dllexport) void SetEbMode(int mode) { g_mode = mode; }
