// Per-button skin state: the four state images and the properties that the
// push-button state machine keeps. Made by SkinAttach, freed by SkinDetach.
#pragma once

#include <windows.h>

namespace sb {

// Buttons whose own painting stays: every type under the mask 6 (check boxes,
// 3-state boxes, radio buttons, group boxes, owner-draw), and auto radio
// buttons, which would stop checking themselves once made owner-draw.
bool KeepsOwnPainting(LONG_PTR style);

void AttachButton(HWND hwnd);
void DetachButton(HWND hwnd);

}  // namespace sb
