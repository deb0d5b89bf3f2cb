#pragma once

#include "items/ScopedFd.h"
#include "util/Status.h"

namespace ferrolet {

// An exclusive lock on the pending cut, shared by every Ferrolet process of
// the user: flock on "pending-cut.lock" in the state folder. Cut holds it from
// the moment it reads whether a cut is pending until the new pending cut is
// saved, so two Cuts started at once (two `ferrolet --command` processes, or
// a menu and a shortcut) cannot both see "no cut pending" and let the last
// save forget the other's holding folder: the second waits, then finds the
// first one's cut and is refused.
class CutStateLock {
public:
    // Takes the lock, waiting for another holder to let go; Acquired() says
    // whether it was taken, Status() why not.
    CutStateLock();
    CutStateLock(const CutStateLock&) = delete;
    CutStateLock& operator=(const CutStateLock&) = delete;

    bool Acquired() const { return m_status == 0; }
    ferrolet::Status Status() const { return m_status; }

private:
    ScopedFd m_fd; // closing it lets go of the lock
    ferrolet::Status m_status = 0;
};

} // namespace ferrolet
