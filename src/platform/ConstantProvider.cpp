#include "platform/ConstantProvider.h"

ConstantProvider& ConstantProvider::getInstance() {
    static ConstantProvider instance;
    return instance;
}

std::uint32_t ConstantProvider::getEventTypeIdentifier(const std::string& name) {
    // Start at 1 so that 0 never names a type.
    const auto [it, inserted] = ids_.try_emplace(name, static_cast<std::uint32_t>(ids_.size() + 1));
    return it->second;
}
