#pragma once

#include <functional>

// The interface's sound for refused input (a value out of range, a number that is no number).
void uiBeep();
// Replaces the system beep with `handler` (tests count beeps with it); an empty function
// restores the system beep. Returns the handler in place before. GUI thread only.
std::function<void()> setBeepHandler(std::function<void()> handler);
