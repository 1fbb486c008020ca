// Recording journals: any bytes read as the start-up recovery reads a journal left in the temp
// folder, then the question it would ask; the rules below must hold for every input.
#include "fuzz_targets.h"
#include "realtime/recording_journal.h"
#include "realtime/recording_recovery.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace {

using fuzz::require;

journal::Contents readBytes(const QByteArray& bytes) {
    return journal::read({reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())});
}

// Sets the header's and every whole record's CRC right, so that random changes reach the fields
// instead of stopping at the checksums.
QByteArray resealed(const uint8_t* data, std::size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto seal = [&bytes](qsizetype at, qsizetype length) {
        const quint16 crc =
            qChecksum(QByteArrayView(bytes.constData() + at, length - 2), Qt::ChecksumIso3309);
        bytes[at + length - 2] = char(crc & 0xFF);
        bytes[at + length - 1] = char(crc >> 8);
    };
    if (bytes.size() < journal::kHeaderSize)
        return bytes;
    seal(0, journal::kHeaderSize);
    for (qsizetype at = journal::kHeaderSize; bytes.size() - at >= journal::kRecordSize;
         at += journal::kRecordSize)
        seal(at, journal::kRecordSize);
    return bytes;
}

// The journal a reader's contents stand for, numbered from 0.
QByteArray encoded(const journal::Contents& c) {
    QByteArray bytes = journal::encodeHeader(c.header);
    for (size_t i = 0; i < c.samples.size(); ++i)
        bytes += journal::encodeSample(uint32_t(i), c.samples[i]);
    if (c.stopTime)
        bytes += journal::encodeStop(uint32_t(c.samples.size()), *c.stopTime);
    return bytes;
}

void check(const uint8_t* data, std::size_t size) {
    const journal::Contents c = journal::read({data, size});
    if (c.status != journal::ReadStatus::Ok) {
        require(!c.problem.isEmpty(), "a refused journal says why");
        require(c.samples.empty() && !c.stopTime, "a refused journal yields nothing");
        return;
    }
    const journal::Header& h = c.header;
    require(h.rate >= 1 && h.rate <= 3660, "the rate is one the boxes allow");
    require(h.countLimit >= 0 && h.countLimit <= journal::kMaxCount, "the count is one the dialog takes");
    require(c.samples.size() <= size_t(std::max(h.countLimit, 1)), "no more samples than the count");
    const size_t records = c.samples.size() + (c.stopTime ? 1 : 0) + c.damagedRecords;
    require(journal::kHeaderSize + records * journal::kRecordSize + c.ignoredBytes == size,
            "every byte is a record read, a damaged record skipped, or ignored");
    for (const journal::Sample& s : c.samples)
        require(std::isfinite(s.x), "sample times are dates");

    // What was read writes back to the very bytes it came from.
    const QByteArray again = encoded(c);
    // Without damage they are the very bytes; a skipped record leaves a gap in the numbering.
    if (c.damagedRecords == 0)
        require(again.size() == qsizetype(size - c.ignoredBytes) &&
                    std::equal(again.cbegin(), again.cend(), reinterpret_cast<const char*>(data)),
                "the records read encode to the same bytes");
    const journal::Contents back = readBytes(again);
    require(back.damagedRecords == 0 && encoded(back) == again, "the records read read again the same");

    if (!c.samples.empty()) {
        static const QLocale english(QLocale::English, QLocale::UnitedStates);
        QLocale::setDefault(english);
        require(recoveryQuestion(c).endsWith(" was not saved. Recover it?"), "the question is asked whole");
    }
}

} // namespace

int fuzz::recordingJournal(const uint8_t* data, std::size_t size) {
    check(data, size);
    const QByteArray sealed = resealed(data, size);
    check(reinterpret_cast<const uint8_t*>(sealed.constData()), size_t(sealed.size()));
    return 0;
}
