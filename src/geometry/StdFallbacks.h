#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>
#include <version>

#if defined(__cpp_lib_bit_cast)
#include <bit>
#endif

// The few C++20 library pieces the core uses that not every toolchain it is built with has
// (the WebAssembly build's C++ library lacks these two). Where the library has them they
// are the library's own, so the native build is what it was.
namespace compat {

template <typename To, typename From>
To bitCast(const From& from) noexcept {
    static_assert(sizeof(To) == sizeof(From) && std::is_trivially_copyable_v<To> &&
                  std::is_trivially_copyable_v<From>);
#if defined(__cpp_lib_bit_cast)
    return std::bit_cast<To>(from);
#else
    To to;
    std::memcpy(&to, &from, sizeof to);
    return to;
#endif
}

// An array of `n` chars left uninitialised: it is filled before it is read.
inline std::unique_ptr<char[]> makeCharBuffer(std::size_t n) {
#if defined(__cpp_lib_smart_ptr_for_overwrite)
    return std::make_unique_for_overwrite<char[]>(n);
#else
    return std::unique_ptr<char[]>(new char[n]);
#endif
}

}  // namespace compat
