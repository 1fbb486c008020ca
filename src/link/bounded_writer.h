#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <thread>

// Runs a blocking write on a thread of its own and waits for it at most a given time, so that a
// device that stops taking data cannot hold the user-interface thread. A write that overruns its
// time keeps running; later writes fail at once until it has returned.
class BoundedWriter {
  public:
    using WriteFn = std::function<int(std::span<const uint8_t>)>;
    // `write` runs on the writer's thread. `close` runs exactly once, on that thread, after the
    // writer was destroyed and no write runs any more (at once, or when a stuck write returns).
    BoundedWriter(WriteFn write, std::function<void()> close);
    // Never waits for a stuck write.
    ~BoundedWriter();
    BoundedWriter(const BoundedWriter&) = delete;
    BoundedWriter& operator=(const BoundedWriter&) = delete;

    // The write's result, or -1 when it had not returned after `timeoutMs` (or an earlier one
    // still runs).
    int write(std::span<const uint8_t> bytes, int timeoutMs);

    // Shared with the writer's thread, which may outlive the writer.
    struct State;

  private:
    std::shared_ptr<State> m_state;
    std::thread m_thread;
};
