#pragma once

#include <functional>

// Runs the Qt event loop until `done` holds; false when it still does not after `timeoutMs`.
// Waits for events as the application's loop does, so that posted notifications from worker
// threads are met as soon as they arrive.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 60000);
