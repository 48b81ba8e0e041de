// Whatever arrives from the room is refused whole past the limits of a record (8 MiB) and of a
// page (what a page file may hold), before anything in it is used.
#include <gtest/gtest.h>

#include "share/LiveInk.h"
#include "share/RecordCodec.h"

TEST(RecordLimits, RecordsAndInkPastEightMebibytesAreRefusedWhole) {
    share::ShareChange change{1, 1, io::ChangeKind::Draw, false, {}, {}};
    share::StrokeOp op;
    op.stroke.id = 1;
    op.present = true;
    share::LiveInk ink{1, 1, 0, false, {}, {}};
    for (const std::size_t points : {std::size_t{1000}, (share::kMaxRecordBytes - 40) / 16 + 1}) {
        op.stroke.points.assign(points, ControlPoint{1.0f, 2.0f, 3.0f, 1.0f});
        change.ops = {op};
        ink.points = op.stroke.points;
        const std::string record = share::encodeChange(change), piece = share::encodeInk(ink);
        const bool fits = record.size() <= share::kMaxRecordBytes;
        std::string error;
        EXPECT_EQ(share::decodeChange(record, error).has_value(), fits) << record.size();
        EXPECT_EQ(share::decodeInk(piece, error).has_value(), piece.size() <= share::kMaxRecordBytes);
        EXPECT_EQ(fits, points == 1000);
    }
    EXPECT_EQ(share::kMaxSnapshotBytes, io::kMaxPageFileBytes);
}
