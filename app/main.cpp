#include "ui/Program.h"

int main(int, char** argv) {
    return ui::runProgram(argv[0]);
}
