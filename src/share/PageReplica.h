#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "io/ChangeRecord.h"
#include "share/PageState.h"

namespace share {

// One page as one board holds it: the room's page (its records in the server's order), the
// board's own changes the room has not ordered yet (pending, oldest first), and what the
// board's drawing shows. The board shows the room's page with its pending changes applied
// over it by the same rules the room will apply; when a record of another board comes
// first, the pending changes are applied again over the new page (rebased), and
// reconcile() says what the drawing must change to show the result.
//
// Pure bookkeeping: no thread, no network, no drawing. Not copyable (the pending changes'
// table lies over the room's).
class PageReplica {
public:
    struct Pending {
        ShareChange change;  // bases may be local versions of earlier pending changes
        Seq stored = 0;      // the room stored it at this sequence (acknowledged)
        bool handed = false; // given to the sender
        // Sent only if the room's page has no record yet: the board's own page, offered
        // as the room's first. Refused otherwise, and then kept aside by the caller.
        bool seed = false;
    };

    // `textLimit`: the room's page text limit (PageState::textLimit).
    explicit PageReplica(BoardId board, std::uint64_t textLimit = kMaxPageTextBytes);
    PageReplica(const PageReplica&) = delete;
    PageReplica& operator=(const PageReplica&) = delete;

    BoardId board() const { return board_; }

    // --- the room ---
    const PageState& room() const { return room_; }
    // Replaces the room's page (a snapshot when joining or after falling behind); pending
    // changes stay, applied over it. Own pending changes the snapshot already holds are
    // dropped.
    void resetRoom(PageState page);
    // The page's next record in the room's order. False when it was applied before.
    // `tooLarge`: the room passed it over whole, as it would make the page too large.
    bool receive(const ShareChange& change, Seq seq, bool* tooLarge = nullptr);

    // --- this board's changes ---
    // A change this board made on the drawing, as its history records it: it becomes the
    // pending change `number` (numbers ascend across the board's pages). `originOf(id)`
    // names the stroke a new stroke was cut from (0: none). Returns its record.
    // `undo`: an undo or redo (applied whole or not at all).
    const ShareChange& local(const io::Change& change, std::uint64_t number,
                             const std::function<io::StrokeId(io::StrokeId)>& originOf,
                             bool undo = false, bool seed = false);
    // A pending change an earlier run of the board made (kept in its folder), as it was
    // then; after every pending change made so far.
    void restore(ShareChange change, bool seed);
    // The room stored pending change `number` at `seq`.
    void stored(std::uint64_t number, Seq seq);
    // The room refused pending change `number` (a seed for a page that has records): it is
    // dropped, and changes made over it find their strokes missing.
    void refused(std::uint64_t number);
    // Pending changes not yet handed to the sender, oldest first, up to the first that
    // builds on a pending change (its base is a local version). They count as handed from
    // now on. The pointers hold until the pending list next changes.
    std::vector<const Pending*> takeSendable();
    // Every pending change counts as not handed (the sender was replaced).
    void rehand();
    const std::deque<Pending>& pending() const { return pending_; }

    // --- the drawing ---
    // The whole page as the board shows it, ascending id; the drawing is taken to show
    // exactly this from now on.
    // `style`, when given, takes the page's attributes as shown.
    std::vector<io::StrokeData> showAll(io::PageStyle* style = nullptr);
    // What the drawing must change to show the page, for strokes `busy` does not hold (a
    // gesture in progress has them); those wait for a later call. `removed` and `added`
    // ascend by id (positions are not filled in); a stroke changed in place is in both.
    // `page` holds the page's attributes whose shown value differs from the drawing's.
    io::Change reconcile(const std::function<bool(io::StrokeId)>& busy);
    bool settled() const { return dirty_.empty() && !stale_ && !attributesDirty_; }
    // Whether the drawing's version of the stroke is not the one the board shows (a change
    // from the room waits), or one the room passed over: a change built on it would not
    // apply as made.
    bool conflicted(io::StrokeId id);
    // The same for one of the page's attributes.
    bool conflicted(const std::string& attribute);
    // The page as the board shows it, as "S" would write it.
    std::string shownText();
    // The largest stroke id the page knows, shown or gone.
    io::StrokeId largestId() const;

private:
    struct Drawn {
        bool present = false;
        Version version = 0;
    };
    void rebuild();
    std::deque<Pending>::iterator firstUnhanded();
    // The pending change `number`, or the end.
    std::deque<Pending>::iterator findPending(std::uint64_t number);
    // Indexes the bases of pending change `change` that name local versions.
    void noteBases(const ShareChange& change);
    // Bases naming version `from` become to(id), and attribute bases `attributesTo`.
    void rewriteBases(Version from, const std::function<Version(io::StrokeId)>& to,
                      Version attributesTo);
    // A pending change left without the room applying it as the board made it: what names
    // its version (bases, the drawing's strokes) names `now` instead.
    void forget(const Pending& p, Version now);

    BoardId board_;
    PageState room_;
    StrokeTable shown_{&room_.table()};  // pending changes over the room's page
    bool stale_ = false;                 // shown_ must be rebuilt
    std::deque<Pending> pending_;
    std::unordered_map<io::StrokeId, Drawn> drawn_;
    std::set<io::StrokeId> dirty_;  // shown may differ from drawn
    std::map<std::string, AttributeEntry> drawnAttributes_;  // what the drawing's page shows
    bool attributesDirty_ = false;
    // The bases of pending changes that name local versions, by that version, and how many
    // each such change still has: a record coming back and the sender's scan touch only
    // these, not every change waiting behind a long queue.
    struct BaseRef {
        std::uint64_t number = 0;
        std::uint32_t index = 0;  // into its ops, or into its page when `attribute`
        bool attribute = false;
    };
    std::unordered_map<Version, std::vector<BaseRef>> builtOn_;
    std::unordered_map<std::uint64_t, std::uint32_t> localBases_;
};

}  // namespace share
