// Starts the console exactly as kvir-console does and prints, once the main window has been
// shown and painted, the wall-clock time in nanoseconds since the epoch; then quits.
// tools/measure-startup.sh compares it with the moment it launched the process.

#include "ConsoleApp.h"

#include <QWidget>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    kvir::ConsoleApplication app(argc, argv);
    return kvir::RunConsole(app, [] {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        std::printf("%lld\n",
                    static_cast<long long>(
                        std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
        std::fflush(stdout);
        kvir::ConsoleApplication::quit();
    });
}
