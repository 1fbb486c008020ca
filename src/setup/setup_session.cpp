#include "setup_session.h"

#include "link/meter_link.h"

SetupSession& SetupSession::of(MeterLink& link) {
    // A child of the link, which lives as long as the program.
    if (auto* session = link.findChild<SetupSession*>(QString(), Qt::FindDirectChildrenOnly))
        return *session;
    return *new SetupSession(&link);
}
