// kvir-console: the desktop console for the notebook of КВИР-series instruments.

#include "ConsoleApp.h"

int main(int argc, char** argv) {
    kvir::ConsoleApplication app(argc, argv);
    return kvir::RunConsole(app);
}
