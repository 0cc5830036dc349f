#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>

#include "dvd/mpeg_pack.h"

namespace {

using Block = std::array<uint8_t, dvd::kBlockSize>;

// An MPEG-2 pack header followed by one video PES packet filling the block.
Block video_pack(uint8_t pes_flags) {
  Block b{};
  const uint8_t header[14] = {0, 0, 1, 0xba, 0x44, 0, 4, 0, 4, 1, 1, 0x89, 0xc3, 0xf8};
  std::copy(std::begin(header), std::end(header), b.begin());
  const size_t length = dvd::kBlockSize - 14 - 6;
  const uint8_t pes[9] = {0, 0, 1, 0xe0, static_cast<uint8_t>(length >> 8),
                          static_cast<uint8_t>(length & 0xff), pes_flags, 0, 0};
  std::copy(std::begin(pes), std::end(pes), b.begin() + 14);
  return b;
}

TEST(PackScrambling, ReadsThePesScramblingBits) {
  EXPECT_FALSE(dvd::pack_is_scrambled(video_pack(0x80).data()));
  EXPECT_TRUE(dvd::pack_is_scrambled(video_pack(0x90).data()));
  EXPECT_TRUE(dvd::pack_is_scrambled(video_pack(0xb0).data()));
  Block not_a_pack = video_pack(0x90);
  not_a_pack[3] = 0xbb;
  EXPECT_FALSE(dvd::pack_is_scrambled(not_a_pack.data()));
}

TEST(NavPack, RefusesRandomBytesAndVideoPacks) {
  std::mt19937 random(7);
  Block noise;
  for (int round = 0; round < 100; ++round) {
    for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
    EXPECT_FALSE(dvd::read_nav_pack(noise.data()).has_value());
  }
  EXPECT_FALSE(dvd::read_nav_pack(video_pack(0x80).data()).has_value());
}

}  // namespace
