#include <unistd.h>

#include <iostream>

#include "apps/PatchloomProgram.h"

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    PatchloomProgram program(std::cout, std::cerr, isatty(STDERR_FILENO) != 0);
    return program.run(words);
}
