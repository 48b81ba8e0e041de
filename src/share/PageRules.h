#pragma once

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "geometry/ControlPoint.h"
#include "geometry/Rgb.h"
#include "share/ShareChange.h"

// The deterministic rules by which every board applies the room's records, and the table of
// strokes they work on. Every board that applies the same records in the same order to the
// same table ends with the same table: the rules read nothing else. The conflict table is in
// Sharing.md.
namespace share {

// What a page knows of one stroke id: the stroke while it is on the page, and after it left
// (so that a late change can tell that it was removed, and by which record).
struct StrokeEntry {
    bool present = false;
    std::vector<ControlPoint> points;  // while present
    Rgb colour;                        // while present
    Version version = 0;               // the record that last set it
    io::StrokeId origin = 0;           // the stroke it was cut from; 0: drawn
    Version created = 0;               // the record that first added it
    Version cutAt = 0;                 // the last record whose eraser took part of it
    std::uint64_t textBytes = 0;       // page-file text while present, when counted (0: not)

    bool operator==(const StrokeEntry& o) const {
        return present == o.present && points == o.points && colour == o.colour &&
               version == o.version && origin == o.origin && created == o.created && cutAt == o.cutAt;
    }
};

// What a page knows of one of its own attributes (PageStyle.h): its value ("" when unset)
// and the record that last set it.
struct AttributeEntry {
    std::string value;
    Version version = 0;

    bool operator==(const AttributeEntry&) const = default;
};

// Stroke entries by id, and the page's attributes by name. A table may lie over another (`under`, which must outlive it): it
// then reads through to it and keeps only what it changed, so a board's pending changes are
// applied over the room's page without copying the page.
class StrokeTable {
public:
    explicit StrokeTable(const StrokeTable* under = nullptr) : under_(under) {}

    const StrokeEntry* find(io::StrokeId id) const;
    void put(io::StrokeId id, StrokeEntry entry);
    // Ids of the strokes cut from `id`, in this table and under it.
    void childrenOf(io::StrokeId id, std::vector<io::StrokeId>& out) const;
    // The entries this table holds itself, ascending id.
    const std::map<io::StrokeId, StrokeEntry>& own() const { return entries_; }
    void clear();
    // Version `from` of the entry this table holds for `id` is called `to` from now on; the
    // entry goes when the table under it holds the same (reads go through to it again).
    void rename(io::StrokeId id, Version from, Version to);
    // Takes in what `upper` (which lies over this table) holds itself.
    void absorb(StrokeTable&& upper);
    // Takes in the entry `upper` holds itself for `id`, whole, called `to` where it says
    // version `from`. The entry as taken in; nullptr, changing nothing, when `upper` holds
    // none.
    StrokeEntry* takeEntry(StrokeTable& upper, io::StrokeId id, Version from, Version to);

    const AttributeEntry* findAttribute(const std::string& name) const;
    void putAttribute(const std::string& name, AttributeEntry entry) { attributes_[name] = std::move(entry); }
    const std::map<std::string, AttributeEntry>& ownAttributes() const { return attributes_; }
    // Every attribute set here or under, this table's entry winning.
    std::map<std::string, AttributeEntry> attributes() const;

private:
    bool beyondLast(io::StrokeId id) const;
    using Node = std::map<io::StrokeId, StrokeEntry>::node_type;
    StrokeEntry& takeNode(Node node);

    const StrokeTable* under_;
    std::map<io::StrokeId, StrokeEntry> entries_;
    std::unordered_map<io::StrokeId, std::vector<io::StrokeId>> children_;
    std::map<std::string, AttributeEntry> attributes_;
};

// Applies one change as the record at version `at` (later than every version in the table).
// Ids whose entry changed are appended to `touched`, and ids of the change's strokes that
// the rules passed over (see Sharing.md) to `skipped`, when given. The page's attributes
// take the change's values (the later record wins); an undo or redo is passed over whole
// when a stroke or attribute it names is not as its board saw it. False then.
bool applyChange(StrokeTable& table, const ShareChange& change, Version at,
                 std::vector<io::StrokeId>* touched = nullptr,
                 std::vector<io::StrokeId>* skipped = nullptr);

}  // namespace share
