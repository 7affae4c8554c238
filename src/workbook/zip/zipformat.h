#pragma once
// Record signatures and field markers of the zip format, shared by our reader and writer. The bounds
// we put on an archive we read are in ziplimits.h.

#include <cstdint>

namespace zipformat {

constexpr std::uint32_t LocalSignature = 0x04034b50;
constexpr std::uint32_t CentralSignature = 0x02014b50;
constexpr std::uint32_t EndSignature = 0x06054b50;
constexpr std::uint32_t End64Signature = 0x06064b50;
constexpr std::uint32_t End64LocatorSignature = 0x07064b50;
constexpr std::uint16_t Zip64Tag = 0x0001;      // extra field holding 64-bit sizes and offsets
constexpr std::uint32_t Max32 = 0xFFFFFFFFu;    // a 32-bit field saying "see the zip64 field"
constexpr std::uint16_t Stored = 0, Deflated = 8;

}  // namespace zipformat
