#include "app/DiagnosticsCommand.h"
#include "app/ProgramBlock.h"

int main(int argc, char** argv) {
    if (velvo::app::WantsDiagnostics(argc, argv))
        return velvo::app::RunDiagnostics(argc, argv);
    return velvo::app::RunProgram(argc, argv);
}
