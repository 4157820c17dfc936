// A page's background job: runs on a thread of its own, then hands a closing step back to the
// UI thread. A page owns one per kind of job and waits for it before it goes away.
#pragma once

#include <QObject>

#include <atomic>
#include <functional>
#include <thread>

namespace veldrant::app {

class CPageWorker : public QObject {
    Q_OBJECT

public:
    explicit CPageWorker(QObject* parent = nullptr);
    ~CPageWorker() override;  // waits for the job

    // Runs `job` on a new thread; `finished` then runs on the UI thread (unless the worker has
    // gone by then). One job at a time: false, and nothing started, while one is running.
    bool Start(std::function<void()> job, std::function<void()> finished = nullptr);
    // True from Start until the job has returned.
    bool Running() const { return running_.load(); }
    // Waits for the job's thread to end. The closing step is not run by Join.
    void Join();

private:
    std::thread thread_;
    std::atomic<bool> running_{false};
};

}  // namespace veldrant::app
