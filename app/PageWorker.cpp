#include "app/PageWorker.h"

#include <QMetaObject>

namespace veldrant::app {

CPageWorker::CPageWorker(QObject* parent) : QObject(parent) {}

CPageWorker::~CPageWorker() {
    Join();
}

bool CPageWorker::Start(std::function<void()> job, std::function<void()> finished) {
    if (running_.load())
        return false;
    // The previous job has returned; its thread is at most leaving.
    Join();
    running_.store(true);
    thread_ = std::thread([this, job = std::move(job), finished = std::move(finished)]() mutable {
        job();
        running_.store(false);
        if (finished) {
            // Queued to this object: dropped if the worker (and with it the page) has gone.
            QMetaObject::invokeMethod(this, std::move(finished), Qt::QueuedConnection);
        }
    });
    return true;
}

void CPageWorker::Join() {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

}  // namespace veldrant::app
