// Objects behind 32-bit handles: a kind tag, a slot index and a generation count, so that 0 is
// never valid and a released or stale handle is detected instead of dereferenced.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace soundlib {

enum class HandleKind : uint32_t { System = 1, Sound = 2, Channel = 3, Dsp = 4 };

// Layout: kind in bits 29..31, slot in bits 16..28, generation (never 0) in bits 0..15.
constexpr uint32_t kHandleSlotBits = 13;
constexpr uint32_t kHandleMaxSlots = 1u << kHandleSlotBits;

constexpr uint32_t makeHandle(HandleKind kind, uint32_t slot, uint16_t generation) {
    return (static_cast<uint32_t>(kind) << 29) | ((slot & (kHandleMaxSlots - 1)) << 16) |
           generation;
}
constexpr HandleKind handleKind(uint32_t handle) {
    return static_cast<HandleKind>(handle >> 29);
}
constexpr uint32_t handleSlot(uint32_t handle) {
    return (handle >> 16) & (kHandleMaxSlots - 1);
}
constexpr uint16_t handleGeneration(uint32_t handle) {
    return static_cast<uint16_t>(handle);
}

constexpr uint16_t nextGeneration(uint16_t generation) {
    return generation == 0xFFFF ? uint16_t{1} : static_cast<uint16_t>(generation + 1);
}

// Owns objects of one kind. Used under the library's call lock only.
template <class T> class HandleTable {
public:
    explicit HandleTable(HandleKind kind) : kind_(kind) {}

    // Returns 0 when the table is full.
    uint32_t add(std::unique_ptr<T> object) {
        uint32_t slot;
        if (!free_.empty()) {
            slot = free_.back();
            free_.pop_back();
        } else {
            if (slots_.size() >= kHandleMaxSlots) {
                return 0;
            }
            slot = static_cast<uint32_t>(slots_.size());
            slots_.emplace_back();
        }
        slots_[slot].object = std::move(object);
        return makeHandle(kind_, slot, slots_[slot].generation);
    }

    T* get(uint32_t handle) const {
        if (handle == 0 || handleKind(handle) != kind_) {
            return nullptr;
        }
        const uint32_t slot = handleSlot(handle);
        if (slot >= slots_.size() || slots_[slot].generation != handleGeneration(handle)) {
            return nullptr;
        }
        return slots_[slot].object.get();
    }

    std::unique_ptr<T> remove(uint32_t handle) {
        if (get(handle) == nullptr) {
            return nullptr;
        }
        const uint32_t slot = handleSlot(handle);
        auto object = std::move(slots_[slot].object);
        slots_[slot].generation = nextGeneration(slots_[slot].generation);
        free_.push_back(slot);
        return object;
    }

    // Visits every live object with its handle.
    template <class F> void forEach(F&& f) const {
        for (uint32_t slot = 0; slot < slots_.size(); ++slot) {
            if (slots_[slot].object) {
                f(makeHandle(kind_, slot, slots_[slot].generation), *slots_[slot].object);
            }
        }
    }

private:
    struct Slot {
        std::unique_ptr<T> object;
        uint16_t generation = 1;
    };
    HandleKind kind_;
    std::vector<Slot> slots_;
    std::vector<uint32_t> free_;
};

} // namespace soundlib
