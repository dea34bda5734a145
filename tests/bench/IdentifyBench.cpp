// Wall time of one identification over the real serial code against the simulator at wire
// speed (9600 baud, 11 bits per character), against the wire time of the characters
// exchanged. Run: build/tests/bench/identify_bench [runs]
#include "instrument/Util_modbas.h"
#include "link/QtSerialPortImpl.h"
#include "sim/PtyServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace kvir;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;

    sim::Simulator simulator;
    sim::PtyServer server(simulator, {QString(), true});
    const QString device = server.start();
    SerialLink link(QtPortFactory());
    Instrument instrument(link);
    if (device.isEmpty() || link.OpenPort(device) != 0) {
        std::fprintf(stderr, "cannot open the simulator's port\n");
        return 1;
    }
    // Request ":010FF0" CR LF is 9 characters; the reply carries 25 message bytes and the
    // check byte as 52 digits, with colon, CR and LF 55 characters.
    const QByteArray request = EncodeRequest(1, 15, 0, 0, {});
    const int characters = static_cast<int>(request.size()) + 1 + 2 * 26 + 2;
    const double wireMs = characters * 11.0 * 1000.0 / 9600.0;

    std::vector<double> wall;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        if (instrument.ReadIdentification() != 0) {
            std::fprintf(stderr, "identification failed\n");
            return 1;
        }
        wall.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(wall.begin(), wall.end());
    const double median = wall[wall.size() / 2];
    std::printf(
        "identification: %d characters, wire %.2f ms, wall median %.2f ms (min %.2f, max %.2f) "
        "over %d runs, ratio %.3f\n",
        characters, wireMs, median, wall.front(), wall.back(), runs, median / wireMs);
    return 0;
}
