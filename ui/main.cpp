#include "ui/program.h"
#include "ui/startup.h"

int main(int argc, char** argv) {
    const ui::Startup startup(argc, argv);
    ui::startProgram();
    return 0;
}
