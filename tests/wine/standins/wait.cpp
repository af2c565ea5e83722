// Stand-in for a background process of the suite: it shows nothing and waits until it is
// terminated. The rig copies it under the suite's executable names and under names that must
// not be taken for them.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    for (;;) Sleep(INFINITE);
}
