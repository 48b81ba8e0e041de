#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <ostream>

#include "nats/RoomAddress.h"
#include "share/ShareSession.h"

class FrameManager;

namespace share {
class NatsRoom;
class ShareStore;
}

// The window's board in a room: the link to the room's server and the session that keeps
// the drawing in step with it. Lives on the GUI thread; the link's threads only ask for a
// pump through `wake` (coalesced), and the drawing changes in pump(), between input events.
class LiveLesson {
public:
    struct Settings {
        share::RoomAddress address;
        share::Credentials credentials;
        std::string caFile;  // empty: the system's certificate authorities
    };

    // The manager's page is open already. `wake` is called on any thread.
    LiveLesson(FrameManager& manager, const Settings& settings, std::function<void()> wake,
               std::ostream& log);
    ~LiveLesson();

    // Takes in what the room sent. True when the drawing changed.
    bool pump();
    share::ShareSession::Status status() const;
    // Why the room refuses the board (credentials, rights, certificate); empty when it does not.
    std::string trouble() const;
    // Nothing of this board waits for the room, and the page shown is the room's as of now.
    bool quiet();
    // Waits (pumping) until the room stored every change of this board, at most `limit`.
    void finish(std::chrono::milliseconds limit);

private:
    FrameManager& manager_;
    std::ostream& log_;
    std::unique_ptr<share::ShareStore> store_;
    std::unique_ptr<share::NatsRoom> link_;
    std::unique_ptr<share::ShareSession> session_;
    std::function<void()> wake_;
    std::shared_ptr<std::atomic<bool>> wakeQueued_;
};
