#pragma once
// Reads every archived record of one model for the "График" page on a thread of its own, over
// a connection of its own (one Archive is used from the thread that opened it), page by page,
// and reports how far it got; the window's thread never waits for the archive. A load either
// delivers every record or the status that stopped it: a chart is never drawn from part of the
// archive.

#include "ChartData.h"
#include "archive/ArchiveLocation.h"
#include "archive/ArchiveTypes.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <thread>

namespace kvir {

class ChartArchiveLoader final : public QObject {
    Q_OBJECT

  public:
    explicit ChartArchiveLoader(QObject* parent = nullptr);
    // Stops a running load and waits for its thread (at most one page of records).
    ~ChartArchiveLoader() override;
    ChartArchiveLoader(const ChartArchiveLoader&) = delete;
    ChartArchiveLoader& operator=(const ChartArchiveLoader&) = delete;

    // Starts reading the records of `model` from `location`; a load still running is abandoned
    // and reports nothing more. The archive is never created here.
    void start(const ArchiveLocation& location, DeviceModel model);
    // Abandons the running load.
    void cancel();
    bool isRunning() const { return running_; }

  signals:
    // Records read so far of the `total` the archive holds for the model.
    void progress(qint64 done, qint64 total);
    // The end of a load: every record, or (with `status` not Ok) nothing.
    void finished(const kvir::ChartData& records, kvir::ArchiveStatus status);

  private:
    void stopThread();

    std::thread thread_;
    std::shared_ptr<std::atomic<bool>> stop_;
    int generation_ = 0;
    bool running_ = false;
};

}  // namespace kvir
