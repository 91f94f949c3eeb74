#pragma once
// CRC-32 of ISO 3309 (the zip and PNG checksum) and its text form.

#include <cstdint>
#include <span>
#include <string>

namespace pellvane {

uint32_t Crc32(std::span<const uint8_t> bytes);

// The CRC as exactly eight upper-case hexadecimal digits ("CBF43926").
std::string Crc32Text(std::span<const uint8_t> bytes);

} // namespace pellvane
