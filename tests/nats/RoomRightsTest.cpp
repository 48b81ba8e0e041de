// A room server with the sample classes (deploy/rooms.conf) behind TLS, its certificate made
// here with openssl. A board the server refuses (an expired or unknown certificate, a wrong
// password, another class's room) says why in one line, keeps drawing alone and keeps
// trying: once the server takes it, everything it drew reaches the room.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "nats/ClusterBoard.h"
#include "support/NatsCluster.h"
#include "support/TempWorkDir.h"

namespace {

using namespace std::chrono_literals;

// A certificate authority and a certificate for 127.0.0.1 it signed, valid for `days`
// (negative: expired that long ago).
void certify(const std::filesystem::path& dir, int days) {
    const std::string d = dir.string();
    const std::string script =
        "cd '" + d + "' && exec >openssl.log 2>&1 && "
        "{ [ -f ca.pem ] || openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj /CN=room-ca; } && "
        "openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr -subj /CN=room && "
        "printf 'subjectAltName=IP:127.0.0.1\\n' >ext && "
        "openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out server.pem -extfile ext -days " +
        std::to_string(days);
    ASSERT_EQ(std::system(script.c_str()), 0) << "openssl failed; see " << d << "/openssl.log";
}

TEST(RoomRights, ARefusedBoardSaysWhyDrawsAloneAndLandsItsStrokesOnceLetIn) {
    TempWorkDir dir;
    certify(dir.path(), -1);
    const std::string d = dir.path().string();
    std::filesystem::create_directories(dir.path() / "server" / "s0");
    std::filesystem::copy_file(INKBOARD_SOURCE_DIR "/deploy/rooms.conf", dir.path() / "server" / "s0" / "rooms.conf");
    NatsCluster server(dir.path() / "server", 1,
                       "include rooms.conf\n"
                       "tls { cert_file: \"" + d + "/server.pem\", key_file: \"" + d + "/server.key\" }");
    const auto board = [&](const char* user, const char* password, const char* room, bool ca) {
        share::NatsRoom::Options o = ClusterBoard::in({}, room);
        std::string error;
        o.address = *share::parseRoomAddress(server.url(0, "tls") + "/" + room, error);
        o.credentials = {user, password, ""};
        if (ca) o.caFile = d + "/ca.pem";
        return o;
    };
    ClusterBoard expired(board("maths-3b", "change-me-maths-3b", "maths-3b", true), 1);
    ClusterBoard wrong(board("maths-3b", "guessed", "maths-3b", true), 2);
    ClusterBoard elsewhere(board("maths-3b", "change-me-maths-3b", "physics-4a", true), 3);
    ClusterBoard unknownCa(board("maths-3b", "change-me-maths-3b", "maths-3b", false), 4);
    const struct {
        ClusterBoard* board;
        const char* says;
    } refused[] = {{&expired, "certificate was not accepted"},
                   {&wrong, "refused this board's credentials"},
                   {&elsewhere, "no rights to room physics-4a"},
                   {&unknownCa, "certificate was not accepted"}};
    std::mt19937_64 rng(3);
    for (const auto& r : refused) {
        if (r.board == &wrong) {
            // A good certificate in place from now on: the board refused for the expired one
            // is to get in by itself.
            certify(dir.path(), 2);
            server.reload(0);
        }
        r.board->scribble(rng, 5);
        // The link knows the trouble a moment before the board is told: both are waited for.
        EXPECT_TRUE(pumpUntil({r.board}, [&] {
            return r.board->room.trouble().find(r.says) != std::string::npos &&
                   r.board->out.str().find(r.says) != std::string::npos;
        }, 15s)) << r.says << ": " << r.board->room.trouble() << " / " << r.board->out.str();
        r.board->scribble(rng, 5);
        EXPECT_GT(r.board->drawing.strokes.count(), 0u);
        EXPECT_NE(r.board->session.status().state, share::LinkState::Connected);
        EXPECT_GT(r.board->session.status().waiting, 0u);
    }
    // A board of the class sees all the board refused at first drew alone.
    ClusterBoard pupil(board("maths-3b", "change-me-maths-3b", "maths-3b", true), 5);
    ASSERT_TRUE(pumpUntil({&expired, &pupil}, [&] {
        return expired.settled() && pupil.settled() && pupil.drawing.pageText() == expired.drawing.pageText();
    }, 30s)) << expired.out.str() << expired.room.trouble();
    EXPECT_EQ(expired.room.trouble(), "");
    EXPECT_GT(pupil.drawing.strokes.count(), 0u);
}

}  // namespace
