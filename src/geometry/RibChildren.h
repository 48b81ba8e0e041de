#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// The child indices of one rib, in insertion order. Ribs built from a curve have at most a
// few children each, so up to four live inside the rib and only deeper trees allocate;
// this keeps rebuilding a segment's ribs (every pen step) free of per-rib allocations.
// Always contiguous: data() .. data() + size().
class RibChildren {
public:
    static constexpr std::size_t kInline = 4;

    RibChildren() = default;
    RibChildren(const RibChildren& other) { *this = other; }
    RibChildren(RibChildren&& other) noexcept { *this = std::move(other); }
    RibChildren& operator=(const RibChildren& other) {
        if (this == &other) return *this;
        size_ = other.size_;
        local_ = other.local_;
        heap_ = other.heap_ ? std::make_unique<std::vector<std::int32_t>>(*other.heap_) : nullptr;
        return *this;
    }
    RibChildren& operator=(RibChildren&& other) noexcept {
        if (this == &other) return *this;
        size_ = other.size_;
        local_ = other.local_;
        heap_ = std::move(other.heap_);
        other.size_ = 0;
        return *this;
    }

    void push_back(std::int32_t index) {
        if (heap_) {
            heap_->push_back(index);
        } else if (size_ < kInline) {
            local_[size_] = index;
        } else {
            heap_ = std::make_unique<std::vector<std::int32_t>>(local_.begin(), local_.end());
            heap_->push_back(index);
        }
        ++size_;
    }
    void clear() {
        heap_.reset();
        size_ = 0;
    }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const std::int32_t* data() const { return heap_ ? heap_->data() : local_.data(); }
    const std::int32_t* begin() const { return data(); }
    const std::int32_t* end() const { return data() + size_; }
    std::int32_t operator[](std::size_t i) const { return data()[i]; }

    bool operator==(const RibChildren& other) const {
        return size_ == other.size_ && std::equal(begin(), end(), other.begin());
    }

private:
    std::size_t size_ = 0;
    std::array<std::int32_t, kInline> local_{};
    std::unique_ptr<std::vector<std::int32_t>> heap_;
};
