// What the desktop systems share: the frame loop's waits and the window's
// state, where the windowing library and the swap interval do the work, and the
// floating-point control words of their x86 processors.
#include <chrono>
#include <thread>

#include "PexPlatform.h"

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#include <xmmintrin.h>
#define PEX_X86_FPU 1
#endif

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

// ---- Floating point ---------------------------------------------------------

void PlatformMaskFloatExceptions(uint16_t& SavedControlWord, uint32_t& SavedMXCSR) {
#ifdef PEX_X86_FPU
    uint16_t ControlWord = 0;
    __asm__ __volatile__("fnstcw %0" : "=m"(ControlWord));
    SavedControlWord = ControlWord;
    ControlWord = MaskedFPUControlWord;
    __asm__ __volatile__("fldcw %0" : : "m"(ControlWord));
    SavedMXCSR = _mm_getcsr();
    _mm_setcsr(SavedMXCSR | MXCSRExceptionMasks);
#else
    SavedControlWord = 0;
    SavedMXCSR = 0;
#endif
}

void PlatformRestoreFloatState(uint16_t ControlWord, uint32_t MXCSR) {
#ifdef PEX_X86_FPU
    __asm__ __volatile__("fldcw %0" : : "m"(ControlWord));
    _mm_setcsr(MXCSR);
#else
    (void)ControlWord;
    (void)MXCSR;
#endif
}

// ---- Level links and guest levels --------------------------------------------

std::string PlatformPageAddress() {
    return PEX_PAGE_ADDRESS;
}

bool PlatformCopyText(const std::string&) {
    return false;
}

void PlatformTellLevelFile(const std::string&) {}

bool PlatformKeepGuestAsked() {
    return false;
}
