#include "ui/app/horolux_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return ui::theApp.Run(instance);
}
