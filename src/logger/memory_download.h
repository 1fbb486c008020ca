#pragma once
#include "link/meter_link.h"
#include "logger/data_set.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <span>

// Copying the meter's logging memory into the program, 32 bytes a block: 'P' for block 1, 'p' for
// each following block, 'r' after a lost reply, 'q' at the end, and a resume phase ('A', 'P' by
// number, then 'p' again) when the block stream broke off. The meter's second block carries a
// checksum and the memory size. Everything here runs on the user-interface thread; the waits
// pump window messages through the link's clock.

// Result codes. 1002-1006 come from the first block, the rest from later steps.
inline constexpr int DownloadOk = 0;
inline constexpr int DownloadOpenFailed = 1002;
inline constexpr int DownloadTimeoutsFailed = 1003;
inline constexpr int DownloadFirstWriteFailed = 1004;
inline constexpr int DownloadFirstReadFailed = 1005;
inline constexpr int DownloadFirstMarkerWrong = 1006;
inline constexpr int DownloadBlockFailed = 123; // writing 'p' or 'r', or reading the second block
inline constexpr int DownloadChecksumWrong = 177;
inline constexpr int DownloadCloseFailed = 125;   // writing the closing 'q'
inline constexpr int DownloadResumeFailed = 1260; // the 'P' of the last resume attempt
inline constexpr int DownloadResumeWrite = 1261;  // writing 'p' in the last resume attempt
inline constexpr int DownloadResumeRead = 1263;   // reading a block in the last resume attempt
inline constexpr int DownloadNoDataSets = 6;      // from the decoder
inline constexpr int DownloadTooManySets = 2;     // from the decoder
inline constexpr int DownloadNotRun = -1;         // refused: another meter exchange held the link

// The largest image the meter can hold, and the smallest size it may report before the whole
// memory is read instead.
inline constexpr uint32_t MemoryImageMax = 262144;
inline constexpr uint32_t ReportedSizeMin = 256;
inline constexpr int ResumeAttemptsMax = 5;

// The download's state, as it stood when DownloadMemory returned.
struct DownloadState {
    uint32_t ReportedSize = 0;  // the meter's size field + 1; 0 until the second block is in
    uint32_t TotalBytes = 0;    // what the download sets out to read, whole blocks, at most 256 KiB
    uint32_t BytesReceived = 0; // bytes appended to the image
    uint32_t Remaining = 0;     // TotalBytes - BytesReceived
    int FailStreak = 0;         // failed resume attempts in a row
};

// The size that the second block reports in its bytes 6-8 (high byte first), plus one.
uint32_t reportedSizeOf(std::span<const uint8_t> secondBlock);
// The bytes to read for a reported size: sizes above 256 KiB or below 256 mean the whole memory;
// anything else is rounded up to whole 32-byte blocks.
uint32_t totalBytesFor(uint32_t reportedSize);

// Where the download shows how far it is. Attach the "Data Retriving Progress" dialog
// (DownloadProgressDialog) or anything else; the download has no cancel.
class DownloadProgress {
  public:
    virtual ~DownloadProgress() = default;
    // The size is known: show 0 of `totalBytes`.
    virtual void downloadStarted(uint32_t totalBytes) = 0;
    // `bytesReceived` of the total are in.
    virtual void bytesReceived(uint32_t bytesReceived) = 0;
    // The download is over, whatever its result; only called after downloadStarted.
    virtual void downloadEnded() = 0;
};

// Reads the meter's memory into `image` (emptied first). Returns 0 when complete, else the code of
// the step that failed. The poll timer is left stopped; the caller restarts it.
// Run it inside MeterLink::runExclusive (runMemoryDownload does) so that no other exchange can
// slip in while it pumps messages.
int DownloadMemory(MeterLink& link, MemoryImage& image, DownloadProgress* progress = nullptr,
                   DownloadState* state = nullptr);

// DownloadMemory into a buffer of its own, handed to the store's image only once complete, then
// decodeDataSets. On a complete download whose decode gives 0, `decoded` receives the image (to be
// written as the temporary image file, and the first set shown) before it is emptied. The image is
// empty on return whatever the code; after a failure the store keeps the sets it held. Returns the
// download's code or the decoder's (0, 6 or 2).
int DownloadAndDecode(MeterLink& link, DataSetStore& store, DownloadProgress* progress = nullptr,
                      const std::function<void(const MemoryImage&)>& decoded = {},
                      DownloadState* state = nullptr);

// Tells the meter that a download ended in error ('Q'), on whatever the device state is; no reply.
void sendDownloadAbort(MeterLink& link);

// What the "&Load " command hands to runMemoryDownload. Every hook may be empty. All of them run
// while the link is held, so no other meter exchange and no poll tick runs in between.
struct DownloadHooks {
    DownloadProgress* progress = nullptr;
    // After a successful decode: write the temporary image file, show the first data set.
    std::function<void(const MemoryImage& image)> decoded;
    // With the command's code (show downloadMessage(code), set the unsaved flag on 0), or with
    // DownloadNotRun when the link was held by another exchange. Called once, unless a hook threw
    // before it (the exception then reaches runMemoryDownload's caller after the closing steps).
    std::function<void(int code)> finished;
    // Forget the connection so the next poll tick probes afresh (PollCycle::dropConnection, and
    // clear memoryFull and statsFlashMode of the live reading). Not called for DownloadNotRun.
    std::function<void()> dropConnection;
};

// The exchange side of the "&Load " command, after its checks: the whole download held
// exclusively on the link (panel keys and setup operations are refused meanwhile), 'Q' after a
// failure, `finished`, then the closing steps (drop the connection, start the poll timer), which run
// also when a hook throws. Called from inside the poll tick's wait it is deferred until the tick
// has ended (Deferred); while another exclusive exchange runs it is refused (Refused). `link`,
// `store` and the progress display must outlive a deferred download.
MeterLink::Gate runMemoryDownload(MeterLink& link, DataSetStore& store, DownloadHooks hooks);

// The message the command shows for a code, or an empty text for 0 and DownloadNotRun.
QString downloadMessage(int code);

// Steps 1-3 of the "&Load " command: a second start while one runs is ignored silently; without a
// connection, or while the meter records, the command ends with a message.
struct LoadDataVerdict {
    enum Action { Proceed, Ignore, Refuse };
    Action action = Proceed;
    QString message; // for Refuse
};
LoadDataVerdict checkLoadData(bool downloadRunning, bool connected, bool meterRecording);
