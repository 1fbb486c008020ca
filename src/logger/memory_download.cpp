#include "memory_download.h"

#include "logger/data_set_decoder.h"
#include "platform/clock.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <exception>
#include <optional>
#include <vector>

namespace {
constexpr uint32_t kBlock = 32;
constexpr uint32_t kBlockReply = 36;
constexpr uint32_t kTimeout = 100;

void handlePendingMessages() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

// One download's conversation over the main window's frame and reply buffer.
class Download {
  public:
    Download(MeterLink& link, MemoryImage& image, DownloadProgress* progress)
        : m_link(link), m_t(link.transport()), m_clock(link.clock()), m_frame(link.frame()),
          m_reply(link.replyBlock()), m_image(image), m_progress(progress) {}

    int run();
    const DownloadState& state() const { return m_s; }

  private:
    int readFirstBlocks();
    int readBlocks();
    int resume();

    // Writes a single-letter request; true when the write succeeded.
    bool request(char letter) {
        m_frame.setCommand(letter);
        const bool ok = m_t.writeFrame(CommandFrame::size(), m_frame.data()) == 0;
        if (ok)
            m_t.finishWrite();
        return ok;
    }
    bool readBlockReply() { return m_t.readReply(kBlockReply, m_reply.data()) == 0; }
    void appendBlock() {
        m_image.insert(m_image.end(), m_reply.begin(), m_reply.begin() + kBlock);
        m_s.BytesReceived += kBlock;
    }
    // A block of the main stream is in: count it, show it, let the windows repaint and take clicks.
    // Over USB every block takes milliseconds, so messages are handled after each one; a faster
    // link is not held back by an event pass per block, but still gets one every 64 blocks.
    void storeBlock() {
        appendBlock();
        m_s.Remaining -= kBlock;
        if (m_progress)
            m_progress->bytesReceived(m_s.BytesReceived);
        const int64_t now = m_clock.tickCount();
        if (now != m_lastMessages || ++m_blocksSinceMessages >= 64) {
            m_lastMessages = now;
            m_blocksSinceMessages = 0;
            handlePendingMessages();
        }
    }

    // The reply to 'r' is the block whose reply went missing, sent again. A meter that steps back
    // brings that block once more with the next 'p', and the 'r' reply is not needed. One that does
    // not step back goes on with the block after it, so the missing block would be skipped and every
    // later one shifted. The copy is kept until the next reply tells which meter this is; no extra
    // request goes to the meter for it.
    void keepRepeatedBlock() {
        uint8_t sum = 0;
        for (uint32_t i = 0; i < kBlock; ++i)
            sum = uint8_t(sum + m_reply[i]);
        // Only a whole block (its checksum right) can be the missing one; anything else is left
        // unused. A meter sends a block again on 'r' only once it had the lost request, so the
        // reply is that block even when it looks like the one stored before it.
        m_repeated.reset();
        if (sum == m_reply[34])
            m_repeated.emplace(m_reply.begin(), m_reply.begin() + kBlock);
    }
    // Called with the first good reply after 'r': when it is not the repeated block, the meter did
    // not step back and the repeated block is the missing one, so it goes in first. True when it did.
    bool storeSkippedBlock() {
        if (!m_repeated)
            return false;
        const std::vector<uint8_t> repeated = std::move(*m_repeated);
        m_repeated.reset();
        if (std::equal(repeated.begin(), repeated.end(), m_reply.begin()))
            return false;
        const ReplyBlock reply = m_reply;
        std::copy(repeated.begin(), repeated.end(), m_reply.begin());
        storeBlock();
        m_reply = reply;
        return true;
    }

    MeterLink& m_link;
    MeterTransport& m_t;
    Clock& m_clock;
    CommandFrame& m_frame;
    ReplyBlock& m_reply;
    MemoryImage& m_image;
    DownloadProgress* m_progress;
    DownloadState m_s;
    int64_t m_lastMessages = -1;
    int m_blocksSinceMessages = 0;
    std::optional<std::vector<uint8_t>> m_repeated;
};

int Download::readFirstBlocks() {
    m_link.waitPollIdle(2000);
    m_link.stopPollTimer();
    if (m_t.openDevice(MeterVendorId, MeterProductId) != 0)
        return DownloadOpenFailed;
    if (m_t.setTimeouts(kTimeout, kTimeout) != 0)
        return DownloadTimeoutsFailed;

    m_frame.setCommand('P');
    m_frame[2] = 0x00;
    m_frame[3] = 0x01;
    if (m_t.writeFrame(CommandFrame::size(), m_frame.data()) != 0)
        return DownloadFirstWriteFailed;
    m_t.finishWrite();
    m_clock.pumpWait(100);
    if (!readBlockReply())
        return DownloadFirstReadFailed;
    if (m_reply[35] != 5)
        return DownloadFirstMarkerWrong;
    appendBlock();

    // The second block carries the size, so it is checked before anything else is believed.
    if (!request('p') || !readBlockReply()) {
        m_t.closeDevice();
        return DownloadBlockFailed;
    }
    uint8_t sum = 0;
    for (uint32_t i = 0; i < kBlock; ++i)
        sum = uint8_t(sum + m_reply[i]);
    if (sum != m_reply[34]) {
        m_t.closeDevice();
        return DownloadChecksumWrong;
    }
    m_s.ReportedSize = reportedSizeOf(m_reply);
    m_s.TotalBytes = totalBytesFor(m_s.ReportedSize);
    m_image.reserve(m_s.TotalBytes);
    if (m_progress)
        m_progress->downloadStarted(m_s.TotalBytes);
    handlePendingMessages();
    appendBlock();
    m_s.Remaining = m_s.TotalBytes - m_s.BytesReceived;
    return DownloadOk;
}

// The main block stream. Returns the code so far; a broken stream leaves Remaining above 0 for
// the resume phase.
int Download::readBlocks() {
    while (m_s.Remaining != 0) {
        if (!request('p')) {
            m_t.closeDevice();
            return DownloadBlockFailed;
        }
        if (readBlockReply()) {
            // After the skipped block, this reply may lie past the last one: then it is not stored.
            if (storeSkippedBlock() && m_s.Remaining == 0)
                break;
            storeBlock();
            continue;
        }
        // A lost reply: 'r' makes the meter step back so that the next 'p' brings the block again.
        m_clock.pumpWait(1000);
        if (!request('r')) {
            m_t.closeDevice();
            return DownloadBlockFailed;
        }
        if (!readBlockReply())
            return DownloadOk; // the resume phase takes over
        keepRepeatedBlock();
    }
    // All blocks are in: 'q' ends the download on the meter's side. It sends no reply.
    m_frame.setCommand('q');
    const bool closed = m_t.writeFrame(CommandFrame::size(), m_frame.data()) == 0;
    m_t.finishWrite();
    return closed ? DownloadOk : DownloadCloseFailed;
}

// Picks the stream up again after the last stored block. The target is TotalBytes, never the
// reported size: a size above 256 KiB could never be reached, and a size below 256 means the
// whole memory was to be read, so stopping short of it would pass a partial image off as complete.
int Download::resume() {
    int code = DownloadOk;
    while (m_s.BytesReceived < m_s.TotalBytes && m_s.FailStreak < ResumeAttemptsMax) {
        code = DownloadOk;
        m_link.readLiveOpen(32);
        m_clock.pumpWait(300);
        const auto last = uint16_t(m_s.BytesReceived / kBlock);
        m_link.readBlockAt(last);
        m_clock.pumpWait(300);
        if (m_link.readBlockAt(last) != 0) {
            code = DownloadResumeFailed;
            ++m_s.FailStreak;
            continue;
        }
        while (m_s.Remaining != 0) {
            if (!request('p')) {
                m_t.closeDevice();
                code = DownloadResumeWrite;
                ++m_s.FailStreak;
                break;
            }
            if (!readBlockReply()) {
                code = DownloadResumeRead;
                ++m_s.FailStreak;
                break;
            }
            m_s.FailStreak = 0;
            storeBlock();
        }
        if (code == DownloadOk)
            request('q');
    }
    return code;
}

int Download::run() {
    m_image.clear();
    const int first = readFirstBlocks();
    if (first != DownloadOk)
        return first; // the size is not known: nothing to resume
    int code = readBlocks();
    if (m_s.BytesReceived < m_s.TotalBytes)
        code = resume();
    if (m_progress)
        m_progress->downloadEnded();
    return code;
}

MeterLink::Gate attemptDownload(MeterLink& link, DataSetStore& store, const DownloadHooks& hooks) {
    if (link.PollBusy && !link.exclusiveActive()) {
        // Inside the poll tick's own wait: try again once the tick is over. MeterLink would defer
        // too, but would drop the request silently if it were refused later.
        QTimer::singleShot(0, &link, [&link, &store, hooks] { attemptDownload(link, store, hooks); });
        return MeterLink::Gate::Deferred;
    }
    std::exception_ptr failure;
    const MeterLink::Gate gate = link.runExclusive([&] {
        // Nothing may escape the held link, or it would stay held and polling stopped for good; the
        // closing steps run whatever the hooks did, and a failure is passed on afterwards.
        try {
            const int code = DownloadAndDecode(link, store, hooks.progress, hooks.decoded);
            if (code != DownloadOk && code != DownloadNoDataSets)
                sendDownloadAbort(link);
            if (hooks.finished)
                hooks.finished(code);
        } catch (...) {
            failure = std::current_exception();
        }
        try {
            if (hooks.dropConnection)
                hooks.dropConnection();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
        link.startPollTimer();
    });
    if (gate == MeterLink::Gate::Refused && hooks.finished)
        hooks.finished(DownloadNotRun);
    if (failure)
        std::rethrow_exception(failure);
    return gate;
}
} // namespace

uint32_t reportedSizeOf(std::span<const uint8_t> secondBlock) {
    if (secondBlock.size() < 9)
        return 0;
    return (uint32_t(secondBlock[6]) << 16 | uint32_t(secondBlock[7]) << 8 | secondBlock[8]) + 1;
}

uint32_t totalBytesFor(uint32_t reportedSize) {
    if (reportedSize > MemoryImageMax || reportedSize < ReportedSizeMin)
        return MemoryImageMax;
    return (reportedSize + kBlock - 1) / kBlock * kBlock;
}

int DownloadMemory(MeterLink& link, MemoryImage& image, DownloadProgress* progress, DownloadState* state) {
    Download download(link, image, progress);
    const int code = download.run();
    if (state)
        *state = download.state();
    return code;
}

int DownloadAndDecode(MeterLink& link, DataSetStore& store, DownloadProgress* progress,
                      const std::function<void(const MemoryImage&)>& decoded, DownloadState* state) {
    // The blocks go into a buffer of the download's own: whatever runs while it pumps messages
    // cannot touch them, and the store sees nothing of a download that failed.
    MemoryImage image;
    int code = DownloadMemory(link, image, progress, state);
    if (code != DownloadOk)
        return code;
    store.image = std::move(image);
    code = decodeDataSets(store, link.clock().nowDateTime());
    if (code == DecodeOk && decoded) {
        try {
            decoded(store.image);
        } catch (...) {
            store.image = MemoryImage();
            throw;
        }
    }
    store.image = MemoryImage(); // also gives the 256 KiB back
    return code;
}

void sendDownloadAbort(MeterLink& link) {
    MeterTransport& t = link.transport();
    t.finishWrite();
    link.frame().setCommand('Q');
    t.writeFrame(CommandFrame::size(), link.frame().data());
    t.finishWrite();
}

MeterLink::Gate runMemoryDownload(MeterLink& link, DataSetStore& store, DownloadHooks hooks) {
    return attemptDownload(link, store, hooks);
}

QString downloadMessage(int code) {
    if (code == DownloadOk || code == DownloadNotRun)
        return {};
    if (code == DownloadNoDataSets)
        return QStringLiteral("There was not any data recorded in momery of meter !");
    return QStringLiteral("There was error,please try again!   error code=") + QString::number(code);
}

LoadDataVerdict checkLoadData(bool downloadRunning, bool connected, bool meterRecording) {
    if (downloadRunning)
        return {LoadDataVerdict::Ignore, {}};
    if (!connected)
        return {LoadDataVerdict::Refuse, QStringLiteral("There is no connection with meter !")};
    if (meterRecording)
        return {LoadDataVerdict::Refuse,
                QStringLiteral("The meter is recording data, please stop recording before loading data.")};
    return {LoadDataVerdict::Proceed, {}};
}
