#include "ChartArchiveLoader.h"

#include "archive/Archive.h"

#include <QMetaObject>

#include <algorithm>

namespace kvir {

ChartArchiveLoader::ChartArchiveLoader(QObject* parent) : QObject(parent) {}

ChartArchiveLoader::~ChartArchiveLoader() {
    stopThread();
}

void ChartArchiveLoader::stopThread() {
    if (stop_) {
        stop_->store(true);
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    stop_.reset();
}

void ChartArchiveLoader::cancel() {
    ++generation_;
    running_ = false;
    stopThread();
}

void ChartArchiveLoader::start(const ArchiveLocation& location, DeviceModel model) {
    cancel();
    running_ = true;
    stop_ = std::make_shared<std::atomic<bool>>(false);
    const int generation = generation_;
    const auto stop = stop_;
    // Whatever the thread reports reaches this object on the window's thread, and only while
    // the load is the current one.
    const auto post = [this, generation](auto report) {
        QMetaObject::invokeMethod(
            this,
            [this, generation, report = std::move(report)]() mutable {
                if (generation == generation_) {
                    report(this);
                }
            },
            Qt::QueuedConnection);
    };
    thread_ = std::thread([location, model, stop, post] {
        ChartData data;
        data.model = model;
        Archive archive;
        ArchiveStatus status = archive.open(location, Archive::OpenMode::Existing);
        qint64 total = 0;
        if (status == ArchiveStatus::Ok) {
            status = archive.count(ArchiveFilter(model), &total);
        }
        if (status == ArchiveStatus::Ok) {
            data.records.reserve(static_cast<size_t>(total));
            status = archive.forEachPage(
                ArchiveFilter(model),
                [&](const QList<ArchivedRecord>& page) {
                    for (const ArchivedRecord& r : page) {
                        data.add(r.folder, r.id, r.stamp, r.modeCode,
                                 {r.value1, r.value2, r.value3, r.value4});
                    }
                    const auto done = static_cast<qint64>(data.records.size());
                    post([done, total](ChartArchiveLoader* self) {
                        emit self->progress(done, std::max(done, total));
                    });
                },
                stop.get());
        }
        if (stop->load()) {
            return;
        }
        if (status != ArchiveStatus::Ok) {
            data = ChartData();
            data.model = model;
        }
        post([data = std::move(data), status](ChartArchiveLoader* self) {
            self->running_ = false;
            emit self->finished(data, status);
        });
    });
}

}  // namespace kvir
