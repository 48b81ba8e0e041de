#include "controller/ContactLanding.h"

#include <algorithm>
#include <cmath>

namespace {
bool oneHand(const std::vector<ContactLanding::Member>& members) {
    for (std::size_t i = 0; i < members.size(); ++i)
        for (std::size_t j = i + 1; j < members.size(); ++j)
            if (distance(members[i].landed, members[j].landed) > ContactLanding::kTapSpread)
                return false;
    return true;
}
}  // namespace

bool ContactLanding::landTogether(double earlierMs, float earlierTravel, Vec2 earlierAt,
                                  double nowMs, Vec2 at) {
    return std::fabs(nowMs - earlierMs) <= kLandingMs && earlierTravel < kStillTravel &&
           distance(earlierAt, at) <= kMaxSpread;
}

bool ContactLanding::has(PointerKey pointer) const {
    return std::any_of(members_.begin(), members_.end(),
                       [&](const Member& m) { return m.pointer == pointer; });
}

void ContactLanding::pair(Member first, Member second, double nowMs) {
    members_ = {first, second};
    verdict_ = Verdict::Open;
    formedMs_ = lastMs_ = nowMs;
}

bool ContactLanding::join(Member landing, double nowMs) {
    if (!gathered() || nowMs - lastMs_ > kLandingMs) return false;
    const bool near = std::any_of(members_.begin(), members_.end(), [&](const Member& m) {
        return distance(m.landed, landing.landed) <= kMaxSpread;
    });
    if (!near) return false;
    members_.push_back(landing);
    lastMs_ = nowMs;
    if (members_.size() > 3) verdict_ = Verdict::Strokes;
    return true;
}

ContactLanding::Verdict ContactLanding::settle(double nowMs) {
    if (!gathered()) return Verdict::Open;
    if (verdict_ != Verdict::Open) {
        if (nowMs - lastMs_ > kLandingMs) clear();
        return Verdict::Open;
    }
    // A pair wider than a hand waits out a tap's time: lifted by then it was two taps (its
    // dots stay), which a view gesture would have taken back.
    const double window = oneHand(members_) ? kLandingMs : kTapMs;
    if (members_.size() == 2 && nowMs - formedMs_ > window) return decide(Verdict::ViewGesture);
    if (members_.size() == 3 && nowMs - formedMs_ > kTapMs) return decide(Verdict::Strokes);
    return Verdict::Open;
}

ContactLanding::Verdict ContactLanding::moved(PointerKey pointer, float travel) {
    if (!open() || travel < kStillTravel || !has(pointer)) return Verdict::Open;
    return decide(members_.size() == 2 ? Verdict::ViewGesture : Verdict::Strokes);
}

ContactLanding::Verdict ContactLanding::lifted(PointerKey pointer, bool cancelled) {
    if (!open() || !has(pointer)) return Verdict::Open;
    if (cancelled || !oneHand(members_)) return decide(Verdict::Strokes);
    return decide(members_.size() == 2 ? Verdict::ViewGesture : Verdict::Tap);
}
