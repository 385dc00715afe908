// The headless run's picture: once the start-up load has filled the list, the
// first song is clicked, the cover and labels get a second to settle, the
// window's pixels are saved as a PNG and the program closes.
#pragma once

#include <string>

namespace sb {

class MainWindow;

void ArmScreenshot(MainWindow& window, const std::wstring& pngPath);

}  // namespace sb
