#pragma once
// The check of a netlist against its libraries and map, off the window's thread, so that a
// large netlist leaves the window responsive. Cancelling lets the check end early; the tables
// must outlive the job.

#include "conversion_setup.h"

#include <QThread>

#include <atomic>
#include <memory>

namespace malvor {

class CheckJob : public QThread {
    Q_OBJECT
public:
    enum class Then { show, convert, board };  // what the window does with the result

    CheckJob(const NetlistTables& tables, std::vector<std::string> libraries,
             std::optional<std::string> map, Then then, QObject* parent = nullptr);
    ~CheckJob() override;

    Then then() const { return then_; }
    void cancel() { cancel_ = true; }
    bool cancelled() const { return cancel_; }
    // Once finished: the check, or null when it was cancelled or memory ran out.
    std::unique_ptr<CheckedNetlist> takeResult() { return std::move(result_); }
    bool ranOutOfMemory() const { return out_of_memory_; }

protected:
    void run() override;

private:
    const NetlistTables& tables_;
    std::vector<std::string> libraries_;
    std::optional<std::string> map_;
    Then then_;
    std::atomic<bool> cancel_{false};
    std::unique_ptr<CheckedNetlist> result_;
    bool out_of_memory_ = false;
};

}  // namespace malvor
