#include "app/WindowApp.h"

int main(int argc, char** argv) {
    return RunWindowApp(argc, argv);
}
