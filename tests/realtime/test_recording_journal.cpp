// The recording journal's bytes: the layout, reading back, and what a cut or damaged journal gives.
#include "platform/clock.h"
#include "realtime/recording_journal.h"
#include "support/test_helpers.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// This file's tests and helpers, apart from the other files compiled into the same unit.
namespace test_recording_journal {

using journal::Contents;
using journal::Header;
using journal::ReadStatus;
using journal::Sample;

Header header() {
    Header h;
    h.startTime = 46234.5875;
    h.xMin = 46234.5875;
    h.xMax = 46234.5875 + 100.0 / 86400.0;
    h.extendStep = 10.0 / 86400.0;
    h.rate = 2;
    h.countLimit = 500;
    h.axes = {journal::AxisSetup{3, 0.0, 10000.0}, journal::AxisSetup{3, -50.0, 100.0}};
    h.fahrenheit = true;
    return h;
}

Sample sample(int i) {
    return {46234.5875 + (2.0 * i) / 86400.0, 700 + 3 * i, 40.0f + 0.5f * float(i), 21.25f - 0.25f * float(i),
            uint8_t(i % 16)};
}

QByteArray journalOf(const Header& h, int samples, bool stopped = false) {
    QByteArray bytes = journal::encodeHeader(h);
    for (int i = 0; i < samples; ++i)
        bytes += journal::encodeSample(uint32_t(i), sample(i));
    if (stopped)
        bytes += journal::encodeStop(uint32_t(samples), 46234.6);
    return bytes;
}

Contents readBytes(const QByteArray& bytes) {
    return journal::read({reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())});
}

TEST(RecordingJournalBytes, RecordAndHeaderLayout) {
    // Sequence 1, 45000.5 days, 812 ppm, 45.5 %RH, -3.25 degrees, flags 0x0A, a sample; CRC-16/X-25.
    const QByteArray record = journal::encodeSample(1, {45000.5, 812, 45.5f, -3.25f, 0x0A});
    EXPECT_EQ(record.toHex(), "010000000000000010f9e5402c03000000003642000050c00a01411b");

    const QByteArray head = journal::encodeHeader(header());
    ASSERT_EQ(head.size(), journal::kHeaderSize);
    EXPECT_EQ(head.left(16).toHex(), "515a34303752544a" // "QZ407RTJ"
                                     "01006000"
                                     "1c000000");
    EXPECT_EQ(head.mid(48, 8).toHex(), "02000000"
                                       "f4010000");     // rate 2, count 500
    EXPECT_EQ(head.mid(88, 6).toHex(), "030301000000"); // both axes fixed, degrees Fahrenheit
    EXPECT_EQ(qChecksum(head.left(94), Qt::ChecksumIso3309),
              quint16(uchar(head[94]) | (uchar(head[95]) << 8)));
}

TEST(RecordingJournalBytes, ReadsBackEveryField) {
    const Contents c = readBytes(journalOf(header(), 3, true));
    ASSERT_EQ(c.status, ReadStatus::Ok) << c.problem.toStdString();
    EXPECT_EQ(c.header, header());
    ASSERT_EQ(c.samples.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(c.samples[size_t(i)], sample(i)) << i;
    EXPECT_EQ(c.stopTime, 46234.6);
    EXPECT_EQ(c.ignoredBytes, 0u);

    const Contents running = readBytes(journalOf(header(), 2));
    EXPECT_EQ(running.samples.size(), 2u);
    EXPECT_FALSE(running.stopTime.has_value());
}

TEST(RecordingJournalBytes, ACutAnywhereInTheLastRecordKeepsEveryWholeSample) {
    const QByteArray whole = journalOf(header(), 40);
    for (int cut = 1; cut < journal::kRecordSize; ++cut) {
        const Contents c = readBytes(whole.left(whole.size() - cut));
        ASSERT_EQ(c.status, ReadStatus::Ok);
        ASSERT_EQ(c.samples.size(), 39u) << "cut " << cut;
        EXPECT_EQ(c.samples.back(), sample(38));
        EXPECT_EQ(c.ignoredBytes, size_t(journal::kRecordSize - cut));
    }
    EXPECT_EQ(readBytes(whole).samples.size(), 40u);
    // Cut inside the header: nothing can be trusted.
    for (int size : {8, 40, journal::kHeaderSize - 1})
        EXPECT_EQ(readBytes(whole.left(size)).status, ReadStatus::DamagedHeader) << size;
}

TEST(RecordingJournalBytes, ADamagedRecordIsSkippedAndCounted) {
    const QByteArray whole = journalOf(header(), 10, true);
    const auto recordAt = [](int i) { return journal::kHeaderSize + i * journal::kRecordSize; };
    const auto flipped = [&](const QByteArray& bytes, int record, int byte, int bit) {
        QByteArray b = bytes;
        b[recordAt(record) + byte] = char(b[recordAt(record) + byte] ^ (1 << bit));
        return b;
    };
    const auto samplesBut = [](int count, int lost) {
        std::vector<Sample> s;
        for (int i = 0; i < count; ++i)
            if (i != lost)
                s.push_back(sample(i));
        return s;
    };
    // One flipped bit in the first, a middle and the last sample: that sample alone is lost.
    for (const int lost : {0, 6, 9}) {
        const Contents c = readBytes(flipped(whole, lost, 13, 6));
        EXPECT_EQ(c.samples, samplesBut(10, lost)) << lost;
        EXPECT_EQ(c.damagedRecords, 1u) << lost;
        EXPECT_EQ(c.stopTime, 46234.6) << lost;
        EXPECT_EQ(c.ignoredBytes, 0u) << lost;
    }
    // Two damaged records in a row, and a damaged sequence number, count each record once.
    const Contents two = readBytes(flipped(flipped(whole, 3, 0, 0), 4, 25, 1));
    EXPECT_EQ(two.samples.size(), 8u);
    EXPECT_EQ(two.samples[3], sample(5));
    EXPECT_EQ(two.damagedRecords, 2u);
    // Damage that nothing intact follows is the end of the journal, not damage.
    const QByteArray running = journalOf(header(), 10);
    const Contents tail = readBytes(flipped(running, 9, 13, 6));
    EXPECT_EQ(tail.samples, samplesBut(9, -1));
    EXPECT_EQ(tail.damagedRecords, 0u);
    EXPECT_EQ(tail.ignoredBytes, size_t(journal::kRecordSize));
}

TEST(RecordingJournalBytes, ARecordOutOfPlaceEndsTheReading) {
    const QByteArray whole = journalOf(header(), 10, true);
    const auto recordAt = [](int i) { return journal::kHeaderSize + i * journal::kRecordSize; };
    Contents c;

    QByteArray outOfOrder = whole;
    outOfOrder.replace(recordAt(4), journal::kRecordSize, journal::encodeSample(5, sample(4)));
    EXPECT_EQ(readBytes(outOfOrder).samples.size(), 4u);

    QByteArray notADate = whole;
    notADate.replace(recordAt(2), journal::kRecordSize, journal::encodeSample(2, {-1.0, 1, 1, 1, 0}));
    EXPECT_EQ(readBytes(notADate).samples.size(), 2u);

    // A zeroed record fails its checksum like any damage: skipped, the rest read on.
    QByteArray zeroed = whole;
    zeroed.replace(recordAt(8), journal::kRecordSize, QByteArray(journal::kRecordSize, '\0'));
    EXPECT_EQ(readBytes(zeroed).samples.size(), 9u);
    EXPECT_EQ(readBytes(zeroed).damagedRecords, 1u);

    QByteArray oddStop = whole;
    const int stopAt = recordAt(10);
    oddStop[stopAt + 12] = 1; // a stop record carries nothing but its time
    const quint16 crc = qChecksum(oddStop.mid(stopAt, 26), Qt::ChecksumIso3309);
    oddStop[stopAt + 26] = char(crc & 0xFF);
    oddStop[stopAt + 27] = char(crc >> 8);
    c = readBytes(oddStop);
    EXPECT_EQ(c.samples.size(), 10u);
    EXPECT_FALSE(c.stopTime.has_value());

    // Nothing counts after the stop record.
    const Contents afterStop = readBytes(whole + journal::encodeSample(11, sample(11)));
    EXPECT_EQ(afterStop.samples.size(), 10u);
    EXPECT_EQ(afterStop.ignoredBytes, size_t(journal::kRecordSize));
}

TEST(RecordingJournalBytes, NoMoreSamplesThanTheCountAllows) {
    Header h = header();
    h.countLimit = 4;
    EXPECT_EQ(readBytes(journalOf(h, 9)).samples.size(), 4u);
    h.countLimit = 0; // a count of 0 still takes its one sample
    EXPECT_EQ(readBytes(journalOf(h, 3)).samples.size(), 1u);
}

TEST(RecordingJournalBytes, ForeignAndDamagedHeadersAreRefusedWithAReason) {
    const Contents empty = readBytes({});
    EXPECT_EQ(empty.status, ReadStatus::NotAJournal);
    EXPECT_FALSE(empty.problem.isEmpty());
    EXPECT_EQ(readBytes("GHF\x01 some other file of ours, or of anybody").status, ReadStatus::NotAJournal);

    QByteArray flipped = journalOf(header(), 2);
    flipped[20] = char(flipped[20] ^ 1);
    Contents c = readBytes(flipped);
    EXPECT_EQ(c.status, ReadStatus::DamagedHeader);
    EXPECT_TRUE(c.problem.contains("checksum"));
    EXPECT_TRUE(c.samples.empty());

    // A sealed header with values no recording has, or from a newer program.
    const auto resealed = [](QByteArray head) {
        const quint16 crc = qChecksum(head.left(94), Qt::ChecksumIso3309);
        head[94] = char(crc & 0xFF);
        head[95] = char(crc >> 8);
        return head;
    };
    QByteArray version = journal::encodeHeader(header());
    version[8] = 2;
    c = readBytes(resealed(version));
    EXPECT_EQ(c.status, ReadStatus::DamagedHeader);
    EXPECT_TRUE(c.problem.contains("version 2"));
    // Rate 0, a count over 99999, scale control 7, unit 2, and bytes a writer leaves 0.
    for (auto [field, value] : {std::pair{48, 0}, {52, 0xA0}, {88, 7}, {90, 2}, {14, 1}, {91, 1}}) {
        QByteArray odd = journal::encodeHeader(header());
        odd[field + (field == 52 ? 2 : 0)] = char(value);
        EXPECT_EQ(readBytes(resealed(odd)).status, ReadStatus::DamagedHeader) << field;
    }
    Header past = header();
    past.startTime = 0.0;
    EXPECT_EQ(readBytes(journal::encodeHeader(past)).status, ReadStatus::DamagedHeader);
}

TEST(RecordingJournalFile, WritesAsItGoesAndReachesTheDiskAtLeastEveryTenSeconds) {
    QTemporaryDir dir;
    ManualClock clock;
    RecordingJournal writer(clock);
    writer.setPath(RecordingJournal::pathIn(dir.path() + '/'));
    EXPECT_EQ(QDir::fromNativeSeparators(writer.path()), dir.filePath("temp/RealTimeRecording.jnl"));
    ASSERT_TRUE(writer.start(header())); // the temp folder is made as needed
    EXPECT_EQ(writer.unsyncedSince(), -1);

    int64_t worst = 0;
    for (int i = 0; i < 60; ++i) {
        writer.append(sample(i));
        // Read back while open: every record is already in the file.
        ASSERT_EQ(readBytes(readAll(writer.path())).samples.size(), size_t(i + 1));
        for (int second = 0; second < 2; ++second) { // two seconds a sample; checked every second
            clock.advance(1000);
            writer.syncIfDue();
            if (writer.unsyncedSince() >= 0)
                worst = std::max(worst, clock.tickCount() - writer.unsyncedSince());
        }
    }
    EXPECT_LE(worst, 10000);
    EXPECT_GE(worst, 8000); // and not at every record
    writer.stop(46234.7);
    EXPECT_EQ(writer.unsyncedSince(), -1);
    EXPECT_FALSE(writer.isOpen());
    const Contents c = readBytes(readAll(writer.path()));
    EXPECT_EQ(c.samples.size(), 60u);
    EXPECT_EQ(c.stopTime, 46234.7);

    ASSERT_TRUE(writer.start(header())); // a new recording replaces the old journal
    EXPECT_TRUE(readBytes(readAll(writer.path())).samples.empty());
    writer.remove();
    EXPECT_FALSE(QFile::exists(writer.path()));
}

TEST(RecordingJournalFile, AJournalThatCannotBeWrittenIsGivenUp) {
    QTemporaryDir dir;
    ManualClock clock;
    RecordingJournal writer(clock);
    writeAll(dir.filePath("temp"), "a file where the folder should be");
    writer.setPath(RecordingJournal::pathIn(dir.path()));
    EXPECT_FALSE(writer.start(header()));
    writer.append(sample(0)); // quietly nothing
    EXPECT_FALSE(writer.isOpen());
    RecordingJournal off(clock); // no path: no journal
    EXPECT_FALSE(off.start(header()));
}

} // namespace test_recording_journal
