#include "app/win32/UpdaterApp.h"

int main(int argc, char** argv) {
    return theApp.Run(argc, argv);
}
