#include "dvd/mpeg_pack.h"

#include <dvdread/nav_read.h>

#include "dvd/dvd_time.h"

namespace dvd {
namespace {

bool start_code(const uint8_t* p, uint8_t id) {
  return p[0] == 0 && p[1] == 0 && p[2] == 1 && p[3] == id;
}

}  // namespace

std::optional<NavPack> read_nav_pack(const uint8_t* block) {
  // Pack header (14 bytes, no stuffing), system header (24 bytes), PCI packet at 38 with its data
  // at 45, DSI packet at 1024 with its data at 1031.
  if (!start_code(block, 0xba) || (block[4] & 0xc0) != 0x40 || (block[13] & 7) != 0 ||
      !start_code(block + 14, 0xbb) || !start_code(block + 38, 0xbf) || block[44] != 0x00 ||
      !start_code(block + 1024, 0xbf) || block[1030] != 0x01)
    return std::nullopt;
  pci_t pci{};
  dsi_t dsi{};
  // navRead_* take a non-const pointer but only read.
  navRead_PCI(&pci, const_cast<uint8_t*>(block + 45));
  navRead_DSI(&dsi, const_cast<uint8_t*>(block + 1031));
  NavPack nav;
  nav.block = dsi.dsi_gi.nv_pck_lbn;
  nav.start_ptm = pci.pci_gi.vobu_s_ptm;
  nav.end_ptm = pci.pci_gi.vobu_e_ptm;
  nav.last_block = dsi.dsi_gi.vobu_ea;
  nav.next_vobu = dsi.vobu_sri.next_vobu;
  const dvd_time_t& t = dsi.dsi_gi.c_eltm;
  nav.cell_elapsed = bcd_time_seconds(t.hour, t.minute, t.second, t.frame_u);
  return nav;
}

bool pack_is_scrambled(const uint8_t* block) {
  if (!start_code(block, 0xba)) return false;
  size_t pos = (block[4] & 0xc0) == 0x40 ? 14 + (block[13] & 7) : 12;  // MPEG-2 or MPEG-1 pack
  while (pos + 7 <= kBlockSize) {
    const uint8_t* p = block + pos;
    if (p[0] != 0 || p[1] != 0 || p[2] != 1) return false;
    const uint8_t id = p[3];
    const size_t length = static_cast<size_t>(p[4]) << 8 | p[5];
    const bool media = id == 0xbd || (id >= 0xc0 && id <= 0xef);
    if (media && (p[6] & 0xc0) == 0x80 && (p[6] & 0x30) != 0) return true;
    pos += 6 + length;
  }
  return false;
}

}  // namespace dvd
