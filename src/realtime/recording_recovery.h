#pragma once
// At start-up, a recording journal left behind by a run that did not end normally (a crash, a
// killed program, a power cut, "Exit") is offered back to the user.
#include "realtime/recording_journal.h"

#include <QString>
#include <functional>

class Prompter;

enum class RecoveryOutcome {
    NoJournal, // nothing left behind
    Empty,     // a journal that never took a sample: deleted without asking
    Restored,  // Yes: the recording went back into the real-time graph; the journal stays
    Declined,  // No: the journal was deleted
    SetAside,  // not a journal, or a damaged one: renamed and reported
    Stuck,     // not readable and could not be renamed either: reported, left where it is
};

// "A real-time recording of <start time> (<n> samples) was not saved. Recover it?"
QString recoveryQuestion(const journal::Contents& contents);

// Looks for the journal at `path` and deals with it as RecoveryOutcome says. On Yes, `restore`
// receives the journal's contents. Every fault of the file ends in a message, never in a crash,
// and nothing that is not ours is deleted.
RecoveryOutcome offerRecordingRecovery(const QString& path, Prompter& prompter,
                                       const std::function<void(const journal::Contents&)>& restore);
