#pragma once

#include <cstdint>
#include <map>
#include <string>

// Hands out event type identifiers by name. One shared instance for the run: the same
// name always yields the same identifier, different names different identifiers.
// Identifiers are compared, never interpreted.
class ConstantProvider {
public:
    static ConstantProvider& getInstance();
    std::uint32_t getEventTypeIdentifier(const std::string& name);

private:
    ConstantProvider() = default;
    std::map<std::string, std::uint32_t> ids_;
};
