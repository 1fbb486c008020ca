#include "realtime/recording_recovery.h"

#include "graph/graph_statistics.h"
#include "platform/prompter.h"

#include <QDir>
#include <QFile>

namespace {

// A free name beside `path` for a journal that is set aside: "<name>.damaged", then
// "<name>.damaged-2", ...
QString asideName(const QString& path) {
    QString name = path + QStringLiteral(".damaged");
    for (int n = 2; QFile::exists(name); ++n)
        name = path + QStringLiteral(".damaged-%1").arg(n);
    return name;
}

RecoveryOutcome setAside(const QString& path, const QString& problem, Prompter& prompter) {
    const QString shown = QDir::toNativeSeparators(path);
    const QString aside = asideName(path);
    if (QFile::rename(path, aside)) {
        prompter.message(
            QStringLiteral("The real-time recording journal \"%1\" cannot be recovered: %2 It has "
                           "been set aside as \"%3\".")
                .arg(shown, problem, QDir::toNativeSeparators(aside)));
        return RecoveryOutcome::SetAside;
    }
    prompter.message(QStringLiteral("The real-time recording journal \"%1\" cannot be recovered: %2 It could "
                                    "not be set aside either; move or delete it to stop this message.")
                         .arg(shown, problem));
    return RecoveryOutcome::Stuck;
}

} // namespace

QString recoveryQuestion(const journal::Contents& contents) {
    if (contents.damagedRecords == 0)
        return QStringLiteral("A real-time recording of %1 (%2 samples) was not saved. Recover it?")
            .arg(graphstats::formatDateTime(contents.header.startTime))
            .arg(contents.samples.size());
    return QStringLiteral("A real-time recording of %1 (%2 samples; %3 damaged %4 left out) was not saved. "
                          "Recover it?")
        .arg(graphstats::formatDateTime(contents.header.startTime))
        .arg(contents.samples.size())
        .arg(contents.damagedRecords)
        .arg(contents.damagedRecords == 1 ? QStringLiteral("sample is") : QStringLiteral("samples are"));
}

RecoveryOutcome offerRecordingRecovery(const QString& path, Prompter& prompter,
                                       const std::function<void(const journal::Contents&)>& restore) {
    if (path.isEmpty() || !QFile::exists(path))
        return RecoveryOutcome::NoJournal;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return setAside(path, QStringLiteral("it cannot be opened (%1).").arg(file.errorString()), prompter);
    // Nothing past the largest recording can matter; a huge stranger is not read whole.
    const QByteArray bytes = file.read(qint64(journal::kMaxBytes));
    file.close();
    const journal::Contents contents =
        journal::read({reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())});
    if (contents.status != journal::ReadStatus::Ok)
        return setAside(path, contents.problem, prompter);
    if (contents.samples.empty()) {
        if (contents.damagedRecords > 0)
            return setAside(path, QStringLiteral("every one of its samples is damaged."), prompter);
        QFile::remove(path); // a recording that never took a sample: nothing to offer
        return RecoveryOutcome::Empty;
    }
    if (prompter.question(recoveryQuestion(contents), Prompter::YesNo) != Prompter::Yes) {
        QFile::remove(path);
        return RecoveryOutcome::Declined;
    }
    // The journal stays: the recording is back, but still not saved.
    if (restore)
        restore(contents);
    return RecoveryOutcome::Restored;
}
