#include "app/common/Shell.h"

int main(int argc, char** argv) {
    runProgram(argc, argv);
}
