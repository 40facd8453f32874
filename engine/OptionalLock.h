#pragma once

#include <mutex>

// Holds `mutex` until the returned lock goes; holds nothing when it is null (no other thread
// shares the data it guards).
inline std::unique_lock<std::mutex> lockIfAny(std::mutex* mutex) {
    return mutex != nullptr ? std::unique_lock<std::mutex>(*mutex) : std::unique_lock<std::mutex>();
}
