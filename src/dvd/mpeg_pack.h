// Inspection of 2048-byte program-stream packs as DVD VOB files hold them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace dvd {

constexpr size_t kBlockSize = 2048;

// The few fields of a navigation pack the reader needs.
struct NavPack {
  uint32_t block = 0;       // the pack's own address (sectors into the title set's VOBs)
  uint32_t start_ptm = 0;   // presentation time of the VOBU's first picture, 90 kHz
  uint32_t end_ptm = 0;
  uint32_t last_block = 0;  // the VOBU's last block, relative to the navigation pack
  uint32_t next_vobu = 0;   // relative address of the next VOBU of this angle; kEndOfCell at the end
  double cell_elapsed = 0;  // seconds from the cell start to this VOBU
};
constexpr uint32_t kEndOfCell = 0x3fffffff;

// The navigation pack at the start of every VOBU: pack header, system header, then the PCI and
// DSI private-stream-2 packets at their fixed places. Nothing else is accepted, so random bytes
// are not taken for navigation data.
std::optional<NavPack> read_nav_pack(const uint8_t* block);

// True when a PES packet of the pack has its scrambling-control bits set (CSS-encrypted data).
bool pack_is_scrambled(const uint8_t* block);

}  // namespace dvd
