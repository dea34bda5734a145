#pragma once
// Serves a Simulator on a Linux pseudo-terminal, so that the console and command-line tools
// reach it through their real serial code. The server owns the master side; clients open the
// slave device (or a symbolic link to it) as they would open a serial port.

#include "Simulator.h"

#include <QString>

#include <atomic>
#include <ctime>
#include <thread>

namespace kvir::sim {

struct PtyServerOptions {
    QString linkPath;        // when set, a symbolic link to the slave device
    bool wireSpeed = false;  // pace requests and replies as 9600 baud, 11 bits a character
};

class PtyServer {
  public:
    using Options = PtyServerOptions;

    // Time one character takes on the line at 9600 baud with 11 bits per character.
    static constexpr long kCharacterNs = 11L * 1'000'000'000L / 9600L;

    // `simulator` must outlive the server.
    explicit PtyServer(Simulator& simulator, Options options = {});
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Opens the pseudo-terminal, makes the link and starts serving. Returns the slave device
    // path, or an empty string with the reason in `error`.
    QString start(QString* error = nullptr);
    // Stops serving, closes the master side and removes the link. Safe to call twice.
    void stop();

    // False once stopped, or after a hang-up or stop fault closed the line.
    bool isRunning() const { return running_.load(); }
    QString slavePath() const { return slavePath_; }

  private:
    void serve();
    // Sends `bytes` (paced from `notBefore` in wire-speed mode); false when the line is gone.
    bool send(const QByteArray& bytes, const timespec& notBefore);
    // Waits (at most a while) until the client has read what was sent, then closes the line.
    void hangUp();
    void closeMaster();

    Simulator& simulator_;
    Options options_;
    int master_ = -1;
    // The server's own handle on the slave side: it tells how much of a reply the client has
    // not read yet, so that a hang-up does not throw the last reply away.
    int slave_ = -1;
    QString slavePath_;
    bool linked_ = false;
    std::thread thread_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> running_{false};
};

}  // namespace kvir::sim
