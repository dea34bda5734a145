#pragma once
// A serial port that counts the characters crossing it, wrapped around the real one, so a
// benchmark can compare wall time with the wire time of exactly those characters.
#include "instrument/DeviceModel.h"
#include "link/QtSerialPortImpl.h"
#include "sim/NotebookFile.h"
#include "sim/Simulator.h"

#include <cstdio>

#include <ctime>
#include <memory>

namespace kvir::bench {

struct WireCount {
    qint64 written = 0;
    qint64 read = 0;
    // 9600 baud, 11 bits per character.
    double wireMs() const { return static_cast<double>(written + read) * 11.0 * 1000.0 / 9600.0; }
};

class CountingPort final : public SerialPort {
  public:
    explicit CountingPort(WireCount& count) : count_(count) {}
    bool open(const QString& name, const LineSettings& s) override { return port_.open(name, s); }
    void close() override { port_.close(); }
    bool isOpen() const override { return port_.isOpen(); }
    bool applyLineSettings(const LineSettings& s) override { return port_.applyLineSettings(s); }
    bool applyTimeouts(const PortTimeouts& t) override { return port_.applyTimeouts(t); }
    bool purge() override { return port_.purge(); }
    bool setQueueSizes(int i, int o) override { return port_.setQueueSizes(i, o); }
    bool write(const QByteArray& bytes) override {
        count_.written += bytes.size();
        return port_.write(bytes);
    }
    std::optional<quint8> readByte() override {
        const std::optional<quint8> b = port_.readByte();
        count_.read += b ? 1 : 0;
        return b;
    }
    void expectBytes(int count) override { port_.expectBytes(count); }
    PortFault lastFault() const override { return port_.lastFault(); }
    QString lastError() const override { return port_.lastError(); }

  private:
    WireCount& count_;
    QtSerialPortImpl port_;
};

inline PortFactory CountingFactory(WireCount& count) {
    return [&count] { return std::make_unique<CountingPort>(count); };
}

// CPU time of the calling thread in milliseconds.
inline double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Gives `simulator` the identification of `model` and the notebook of the sample file
// sim/samples/<510|210>-full.txt (or `path`); false after printing the reason.
inline bool LoadSample(sim::Simulator& simulator, DeviceModel model, QString path = {}) {
    const bool ph = model == DeviceModel::Ph510;
    simulator.setIdentification(ph ? sim::Kvir510Identification() : sim::Kvir210Identification());
    if (path.isEmpty()) {
        path = QStringLiteral(KVIR_SOURCE_DIR "/sim/samples/") +
               (ph ? QStringLiteral("510") : QStringLiteral("210")) + QStringLiteral("-full.txt");
    }
    sim::NotebookFileError error;
    if (!sim::LoadNotebookFile(simulator, path, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error.text()));
        return false;
    }
    return true;
}

}  // namespace kvir::bench
