#pragma once

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "MemoryRoom.h"
#include "controller/CanvasController.h"
#include "controller/PageFiles.h"
#include "document/Drawing.h"
#include "share/ShareSession.h"
#include "share/ShareStore.h"

// A board in a MemoryRoom: the real controller, history and share session on a 1200 x 900
// screen, its clock (`seconds`) and frame time the test's. Given a store name, the board
// keeps its identity and waiting changes in that store, and takes its identity from there.
struct MemoryBoard {
    std::ostringstream out;
    double seconds = 100.0;
    double frameMs = 100000.0;
    Drawing drawing{out};
    CanvasController controller{drawing, Stopwatch([this] { return seconds; }), [this] { return frameMs; }};
    MemoryRoom::Link& link;
    std::unique_ptr<share::ShareStore> store;
    share::ShareSession session;

    // `snapshotEvery` and `pageTextLimit` are set before the first page is opened.
    MemoryBoard(MemoryRoom& room, share::ShareSession::Identity id, std::uint64_t snapshotEvery,
                const std::string& storeName = "", std::uint64_t pageTextLimit = share::kMaxPageTextBytes)
        : link(room.join()),
          store(storeName.empty() ? nullptr : std::make_unique<share::ShareStore>(storeName, out)),
          session(drawing, controller.history().histories(), link, store ? store->identity() : id, out,
                  pageFileName, store.get()) {
        controller.setViewSize(1200.0f, 900.0f);
        drawing.view.viewWidth = 1200.0f;
        drawing.view.viewHeight = 900.0f;
        session.snapshotEvery = snapshotEvery;
        session.pageTextLimit = pageTextLimit;
        controller.history().pageOpened = [this](int page) { session.pageOpened(page); };
        session.pageOpened(controller.pages().current());
    }
};
