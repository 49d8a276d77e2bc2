#include "app/ProgramBlock.h"

int main(int argc, char** argv) {
    return velvo::app::RunProgram(argc, argv);
}
