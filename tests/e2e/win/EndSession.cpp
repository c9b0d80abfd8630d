// Tells the program that owns the window TITLE that the session ends, as
// Windows does at logging off: each of its top-level windows gets
// WM_QUERYENDSESSION, then WM_ENDSESSION. What the program does then is its
// own. Exit code 0 once told, 2 when no window has the title.
//   end-session.exe TITLE
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <vector>

constexpr UINT AnswerWait = 60000;  // milliseconds; a loaded machine is slow to answer

static DWORD Program = 0;
static std::vector<HWND> Windows;

static BOOL CALLBACK CollectWindow(HWND Window, LPARAM) {
    DWORD Process = 0;
    GetWindowThreadProcessId(Window, &Process);
    if (Process == Program) Windows.push_back(Window);
    return TRUE;
}

int main(int argc, char** argv) {
    const HWND Named = argc == 2 ? FindWindowA(nullptr, argv[1]) : nullptr;
    if (!Named) {
        std::fprintf(stderr, "end-session: no window titled \"%s\"\n", argc == 2 ? argv[1] : "");
        return 2;
    }
    GetWindowThreadProcessId(Named, &Program);
    EnumWindows(CollectWindow, 0);
    // The program may end while it handles a WM_ENDSESSION: the rest go nowhere.
    for (UINT Message : {WM_QUERYENDSESSION, WM_ENDSESSION})
        for (HWND Window : Windows) {
            DWORD_PTR Answer = 0;
            SendMessageTimeoutW(Window, Message, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, AnswerWait,
                                &Answer);
        }
    return 0;
}
