#pragma once
// FNV-1a, 64 bits: a small hash that is the same from run to run and from
// build to build, for naming files after paths.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

/// The standard FNV-1a 64-bit offset basis.
inline constexpr std::uint64_t kFnv1aBasis = 14695981039346656037ull;

/// FNV-1a of `bytes`, starting from `basis`.
constexpr std::uint64_t Fnv1a64(std::string_view bytes, std::uint64_t basis = kFnv1aBasis) {
  std::uint64_t hash = basis;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

/// `hash` as 16 lowercase hexadecimal digits.
inline std::string Hex16(std::uint64_t hash) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4) text[static_cast<std::size_t>(i)] = kHex[hash & 15];
  return text;
}

}  // namespace platform
