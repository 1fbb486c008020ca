#include "bounded_writer.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

struct BoundedWriter::State {
    std::mutex mutex;
    std::condition_variable changed;
    WriteFn write;
    std::function<void()> close;
    std::vector<uint8_t> job;
    bool jobWaiting = false;
    bool writing = false;
    bool stop = false;
    uint64_t started = 0;  // writes handed over
    uint64_t finished = 0; // writes returned
    int result = -1;       // of the last write returned
};

namespace {

void serve(const std::shared_ptr<BoundedWriter::State>& s) {
    std::unique_lock lock(s->mutex);
    for (;;) {
        s->changed.wait(lock, [&] { return s->jobWaiting || s->stop; });
        if (!s->jobWaiting)
            break;
        std::vector<uint8_t> job = std::move(s->job);
        s->jobWaiting = false;
        s->writing = true;
        lock.unlock();
        const int result = s->write(job);
        lock.lock();
        s->writing = false;
        s->result = result;
        ++s->finished;
        s->changed.notify_all();
    }
    lock.unlock();
    s->close();
}

} // namespace

BoundedWriter::BoundedWriter(WriteFn write, std::function<void()> close)
    : m_state(std::make_shared<State>()) {
    m_state->write = std::move(write);
    m_state->close = std::move(close);
    m_thread = std::thread(serve, m_state);
}

BoundedWriter::~BoundedWriter() {
    bool stuck = false;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stop = true;
        stuck = m_state->writing || m_state->jobWaiting;
        m_state->changed.notify_all();
    }
    // An idle thread ends at once; a stuck one ends by itself once its write returns.
    if (stuck)
        m_thread.detach();
    else
        m_thread.join();
}

int BoundedWriter::write(std::span<const uint8_t> bytes, int timeoutMs) {
    std::unique_lock lock(m_state->mutex);
    if (m_state->writing || m_state->jobWaiting)
        return -1;
    m_state->job.assign(bytes.begin(), bytes.end());
    m_state->jobWaiting = true;
    const uint64_t mine = ++m_state->started;
    m_state->changed.notify_all();
    const bool done = m_state->changed.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                                                [&] { return m_state->finished >= mine; });
    return done ? m_state->result : -1;
}
