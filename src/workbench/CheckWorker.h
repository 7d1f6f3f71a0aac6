// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The silent check behind the problems list, the tools panel and plot-to-code: the program is
// checked from the top off the window's thread, a moment after the last edit, so typing never
// waits for it. A check whose text has changed meanwhile is given up and its result dropped;
// only the newest text's result is handed on.

#include "inspect/Inspection.h"

#include <QObject>
#include <QThreadPool>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace workbench {

using BenchPtr = std::shared_ptr<const inspect::InspectionResult>;

// The nice level the check runs at: below the window's threads, yet never starved by them.
inline constexpr int CheckNiceLevel = 10;
// Gives the calling thread the check's priority.
void LowerCheckPriority();
// Hands the memory freed since back to the system (where the allocator keeps it otherwise).
void ReleaseFreedMemory();

// One check as the worker runs it: with a setup whose stock cannot be cut (the polygon arithmetic
// fails), the program is checked again without it and the result says why
// (Report.StockError), so that its alarms and advice are never lost. Throws inspect::Stopped or
// stock::Cancelled when `stop` is set. With `versus`, the text is compared with that version of
// the program as well (InspectionResult::Versions).
BenchPtr Inspect(const std::u16string& text, const check::CheckOptions& options,
                 const std::atomic<bool>* stop, std::atomic<int>* progress,
                 const check::ProgramVersion* versus = nullptr);

class CheckWorker final : public QObject {
    Q_OBJECT
  public:
    explicit CheckWorker(QObject* parent = nullptr);
    ~CheckWorker() override; // gives up a running check and waits for it

    // Milliseconds between the last request and the check (typing goes on meanwhile).
    void SetDelay(int ms) { Delay.setInterval(ms); }
    // A new text to check, after the delay; any older request is dropped. The text is shared,
    // not copied: whoever hands it on must not change it (the window makes one per version).
    void Request(std::shared_ptr<const std::u16string> text, check::CheckOptions options);
    void Request(std::u16string text, check::CheckOptions options) {
        Request(std::make_shared<const std::u16string>(std::move(text)), std::move(options));
    }
    // The same without the delay (a program just opened, a run ended).
    void RequestNow(std::shared_ptr<const std::u16string> text, check::CheckOptions options);
    void RequestNow(std::u16string text, check::CheckOptions options) {
        RequestNow(std::make_shared<const std::u16string>(std::move(text)), std::move(options));
    }

    // The same at the next look at the window's events, after what the window does now (a
    // program just opened is drawn first; Hold then keeps the check waiting while it draws).
    void RequestSoon(std::shared_ptr<const std::u16string> text, check::CheckOptions options);

    // Another version of the program each check from now on compares the text with (null: none).
    void SetVersus(std::shared_ptr<const check::ProgramVersion> version) { Other = std::move(version); }
    const std::shared_ptr<const check::ProgramVersion>& Versus() const { return Other; }

    // Gives up the running check (its text is stale); its result will be dropped.
    void GiveUp();
    // While this says so, a check that is due waits to start (it stays pending, so Busy).
    std::function<bool()> Hold;

    bool Busy() const { return Running || Delay.isActive() || HasPending; }
    const BenchPtr& Latest() const { return Result; }
    // Runs the event loop until no check is waiting or running (tests, closing); false on time-out.
    // Without a time-out (negative) it waits as long as that takes.
    bool WaitIdle(int timeoutMs = -1);
    // Checks started, including those given up (tests).
    int Started() const { return StartedCount; }
    // How far the running check is through the text (percent), and whether it cuts a stock.
    int Progress() const { return Percent.load(std::memory_order_relaxed); }
    bool CuttingStock() const { return Running && RunningWithStock; }

  signals:
    void Checked(workbench::BenchPtr result);
    // No check runs or waits any more, whether the last one gave a result or not.
    void Settled();

  private:
    void StartPending();
    void Finished(uint64_t generation, BenchPtr result);

    QTimer Delay;
    QTimer HoldOff; // looks again whether a held check may start
    QThreadPool Pool;
    std::shared_ptr<const std::u16string> PendingText;
    check::CheckOptions PendingOptions;
    bool HasPending = false;
    bool Running = false;
    uint64_t Generation = 0;                 // of the newest request
    std::shared_ptr<std::atomic<bool>> Stop; // of the running check
    BenchPtr Result;
    int StartedCount = 0;
    std::atomic<int> Percent{0};
    bool RunningWithStock = false;
    std::shared_ptr<const check::ProgramVersion> Other;
};

} // namespace workbench
