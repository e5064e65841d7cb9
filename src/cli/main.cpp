#include <iostream>

#include "cli/Cli.h"

int main(int argc, char** argv) {
    return RunKestrunectl(argc, argv, std::cout, std::cerr);
}
