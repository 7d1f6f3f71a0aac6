// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/CheckWorker.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(__linux__)
#include <cerrno>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace workbench {

void LowerCheckPriority() {
#if defined(__linux__)
    // NOTE: a nice level, not the idle class: an idle thread gets next to nothing while anything
    // else keeps the cores busy, and the problems list would say "checking..." as long. A nice
    // thread still gets its share, small beside the window's.
    // On Linux a nice level belongs to the thread named, not to the whole process.
    const id_t self = static_cast<id_t>(gettid());
    errno = 0;
    const int now = getpriority(PRIO_PROCESS, self);
    if (errno == 0 && now < CheckNiceLevel) setpriority(PRIO_PROCESS, self, CheckNiceLevel);
#else
    QThread::currentThread()->setPriority(QThread::LowestPriority);
#endif
}

void ReleaseFreedMemory() {
#if defined(__GLIBC__)
    // NOTE: the check's working memory (its run, the text checks) is freed by now, but the
    // allocator keeps it in this thread's arena, and it would count as the window's for as long
    // as it runs. Handed back here, off the window's thread.
    malloc_trim(0);
#endif
}

CheckWorker::CheckWorker(QObject* parent) : QObject(parent) {
    Pool.setMaxThreadCount(1);
    Delay.setSingleShot(true);
    Delay.setInterval(400);
    connect(&Delay, &QTimer::timeout, this, &CheckWorker::StartPending);
    HoldOff.setSingleShot(true);
    HoldOff.setInterval(20);
    connect(&HoldOff, &QTimer::timeout, this, &CheckWorker::StartPending);
}

CheckWorker::~CheckWorker() {
    if (Stop) Stop->store(true);
    Pool.waitForDone();
}

void CheckWorker::Request(std::shared_ptr<const std::u16string> text, check::CheckOptions options) {
    ++Generation;
    PendingText = std::move(text);
    PendingOptions = std::move(options);
    HasPending = true;
    if (Stop) Stop->store(true); // the running check is stale now
    Delay.start();
}

void CheckWorker::RequestNow(std::shared_ptr<const std::u16string> text, check::CheckOptions options) {
    Request(std::move(text), std::move(options));
    Delay.stop();
    StartPending();
}

void CheckWorker::RequestSoon(std::shared_ptr<const std::u16string> text, check::CheckOptions options) {
    Request(std::move(text), std::move(options));
    Delay.stop();
    HoldOff.start();
}

void CheckWorker::GiveUp() {
    if (!Running) return;
    ++Generation;
    if (Stop) Stop->store(true);
}

void CheckWorker::StartPending() {
    if (!HasPending || Running) return; // a running check starts the pending one when it ends
    if (Hold && Hold()) {
        HoldOff.start();
        return;
    }
    HasPending = false;
    Running = true;
    ++StartedCount;
    Stop = std::make_shared<std::atomic<bool>>(false);
    Percent.store(0);
    RunningWithStock = PendingOptions.Stock != nullptr;
    const uint64_t generation = Generation;
    // The destructor waits for the pool, so `this` outlives the check; a result queued to a
    // worker destroyed meanwhile is dropped by Qt.
    // NOTE: a check that fails (out of memory, a line beyond the index's reach) gives no result,
    // as one given up; the last good result stays.
    Pool.start([this, generation, stop = Stop, text = std::move(PendingText), options = PendingOptions,
                versus = Other]() mutable {
        // The check only ever fills in the panels: the window's own drawing and re-runs go first.
        LowerCheckPriority();
        BenchPtr result;
        try {
            if (text) result = Inspect(*text, options, stop.get(), &Percent, versus.get());
        } catch (const inspect::Stopped&) {
        } catch (const stock::Cancelled&) {
        } catch (const std::exception&) {
        }
        // Let go of the window's text before the window hears of the end (this task itself may
        // be gone only after that).
        text.reset();
        ReleaseFreedMemory();
        QMetaObject::invokeMethod(
            this, [this, generation, result] { Finished(generation, result); }, Qt::QueuedConnection);
    });
    PendingText.reset();
}

namespace {

// `r` with the text compared with `versus`: the text as it is checked now is the new version.
BenchPtr WithVersions(inspect::InspectionResult r, const std::u16string& text,
                      const check::CheckOptions& options, const std::atomic<bool>* stop,
                      const check::ProgramVersion* versus) {
    if (versus) {
        check::ProgramVersion now{options.ProgramPath.empty() ? "(this program)" : options.ProgramPath, text,
                                  options};
        std::string why;
        try {
            std::optional<check::VersionDiff> d = check::CompareVersions(*versus, std::move(now), why, stop);
            if (d)
                r.Versions = std::make_shared<const check::VersionDiff>(std::move(*d));
            else
                r.VersionsError = why;
        } catch (const stock::Cancelled&) {
            throw;
        } catch (const std::bad_alloc&) {
            r.VersionsError = "out of memory";
        } catch (const std::exception& e) {
            r.VersionsError = e.what();
        }
    }
    return std::make_shared<const inspect::InspectionResult>(std::move(r));
}

} // namespace

BenchPtr Inspect(const std::u16string& text, const check::CheckOptions& options,
                 const std::atomic<bool>* stop, std::atomic<int>* progress,
                 const check::ProgramVersion* versus) {
    if (!options.Stock)
        return WithVersions(inspect::RunInspection(text, options, stop, progress), text, options, stop,
                            versus);
    std::string why;
    try {
        return WithVersions(inspect::RunInspection(text, options, stop, progress), text, options, stop,
                            versus);
    } catch (const stock::Cancelled&) {
        throw;
    } catch (const std::bad_alloc&) {
        why = "out of memory";
    } catch (const std::exception& e) {
        why = e.what();
    }
    // The stock's failure must not take the program's own alarms with it: checked again without
    // the stock, and the reason goes with the result.
    check::CheckOptions without = options;
    without.Stock = nullptr;
    inspect::InspectionResult r = inspect::RunInspection(text, without, stop, progress);
    r.Options.Stock = options.Stock; // what was asked for, so that the same setup is not tried again
    r.Report.StockError = "the stock could not be cut (" + why + ")";
    return WithVersions(std::move(r), text, options, stop, versus);
}

void CheckWorker::Finished(uint64_t generation, BenchPtr result) {
    Running = false;
    Stop.reset();
    if (generation == Generation && result) {
        Result = result;
        emit Checked(result);
    }
    if (HasPending && !Delay.isActive()) StartPending();
    if (!Busy()) emit Settled();
}

bool CheckWorker::WaitIdle(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs); // negative: never expires
    while (Busy()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

} // namespace workbench
