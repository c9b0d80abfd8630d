// The desktop systems' side of the frame loop's waits and the window's state,
// the same on Linux and Windows: the windowing library and the swap interval
// do the work there.
#include <chrono>
#include <thread>

#include "PexPlatform.h"

void PlatformSleep(double Seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(Seconds));
}

bool PlatformPacesFrames() {
    return false;
}

void PlatformAwaitNextFrame() {}

bool PlatformWindowActive(bool Focused, bool Iconified) {
    return Focused && !Iconified;
}

bool PlatformRequestFullScreen() {
    return true;
}

// A desktop program is ended in order, by a signal the frame loop sees.
bool PlatformLeavingSoon() {
    return false;
}

void PlatformShowNote(const std::string&) {}
