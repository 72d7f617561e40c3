// Keeps a test session's shared Wine desktop open from its start to its end. Wine closes a virtual
// desktop a second after the last program on it ends, and the next program starts its explorer.exe
// again; that explorer inherits the program's output and holds it until the desktop closes once
// more, so ctest waited a second after every test. Started once by the session with its output
// going nowhere, this starts the desktop itself and stays until the session's wineserver ends it.
#include <windows.h>

#include <cstdio>

int main() {
    GetDesktopWindow();  // joins the desktop, starting its explorer.exe
    std::puts("ready");
    std::fflush(stdout);
    Sleep(INFINITE);
}
