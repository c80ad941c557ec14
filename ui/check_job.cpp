#include "check_job.h"

#include <new>

namespace malvor {

CheckJob::CheckJob(const NetlistTables& tables, std::vector<std::string> libraries,
                   std::optional<std::string> map, Then then, QObject* parent)
    : QThread(parent),
      tables_(tables),
      libraries_(std::move(libraries)),
      map_(std::move(map)),
      then_(then)
{
}

CheckJob::~CheckJob()
{
    cancel();
    wait();
}

void CheckJob::run()
{
    try {
        // Regular files only: a FIFO would keep the check, and closing the window, waiting.
        result_ = check_with_libraries(
            tables_, libraries_, map_, &cancel_, ReadKind::regular_only,
            then_ == Then::board ? CheckedOutput::board : CheckedOutput::script);
    } catch (const std::bad_alloc&) {
        result_.reset();
        out_of_memory_ = true;
    }
}

}  // namespace malvor
