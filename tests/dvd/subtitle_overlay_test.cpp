#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "common/av_ptr.h"
#include "dvd/subtitle_overlay.h"

namespace {

TEST(SubtitlePalette, ConvertsYCrCbToRgb) {
  EXPECT_EQ(dvd::palette_rgb(0x008080), 0x000000u);
  EXPECT_EQ(dvd::palette_rgb(0xeb8080), 0xebebebu);
  const uint32_t red = dvd::palette_rgb(0x51f05a);  // BT.601 red
  EXPECT_GT((red >> 16) & 0xff, 200u);
  EXPECT_LT((red >> 8) & 0xff, 40u);
  EXPECT_LT(red & 0xff, 40u);
  std::array<uint32_t, 16> palette{};
  palette.fill(0x108080);
  palette[0] = 0xeb8080;
  const std::string option = dvd::subtitle_palette_option(palette);
  EXPECT_EQ(option.substr(0, 14), "ebebeb,101010,");
  EXPECT_EQ(option.size(), 16 * 6 + 15u);
}

// A 4 x 3 bitmap: index 1 opaque white, index 0 transparent, placed partly outside the picture.
struct Bitmap {
  std::array<uint8_t, 12> indices = {1, 1, 0, 1,  //
                                      1, 1, 0, 1,  //
                                      1, 1, 0, 1};
  uint32_t palette[4] = {0x00000000, 0xffffffff, 0, 0};
  AVSubtitleRect rect{};
  Bitmap(int x, int y) {
    rect.type = SUBTITLE_BITMAP;
    rect.x = x;
    rect.y = y;
    rect.w = 4;
    rect.h = 3;
    rect.nb_colors = 4;
    rect.data[0] = indices.data();
    rect.linesize[0] = 4;
    rect.data[1] = reinterpret_cast<uint8_t*>(palette);
  }
};

av::FramePtr grey_picture(int width, int height, AVPixelFormat format = AV_PIX_FMT_YUV420P) {
  av::FramePtr f(av_frame_alloc());
  f->format = format;
  f->width = width;
  f->height = height;
  EXPECT_EQ(av_frame_get_buffer(f.get(), 0), 0);
  for (int p = 0; p < 3 && f->data[p]; ++p)
    for (int y = 0; y < (p ? height / 2 : height); ++y)
      std::fill_n(f->data[p] + y * f->linesize[p], p ? width / 2 : width, p ? 128 : 16);
  return f;
}

TEST(SubtitleBurn, DrawsOpaquePixelsAndClipsAtTheEdge) {
  av::FramePtr picture = grey_picture(8, 4);
  Bitmap bitmap(6, 2);  // columns 6..9 and rows 2..4: only 6, 7 (and 9, outside) on rows 2, 3
  ASSERT_TRUE(dvd::burn_subtitle_rect(*picture, bitmap.rect));
  auto y = [&](int x, int row) { return picture->data[0][row * picture->linesize[0] + x]; };
  EXPECT_EQ(y(6, 2), 235);
  EXPECT_EQ(y(7, 3), 235);
  EXPECT_EQ(y(5, 2), 16);  // left of the box
  EXPECT_EQ(y(6, 1), 16);  // above it
  EXPECT_EQ(picture->data[1][1 * picture->linesize[1] + 3], 128);  // white keeps neutral chroma
}

TEST(SubtitleBurn, SkipsRectanglesItCannotDraw) {
  av::FramePtr picture = grey_picture(8, 4);
  Bitmap outside(20, 20);
  EXPECT_FALSE(dvd::burn_subtitle_rect(*picture, outside.rect));
  av::FramePtr rgb = grey_picture(8, 4, AV_PIX_FMT_BGRA);
  Bitmap inside(0, 0);
  EXPECT_FALSE(dvd::burn_subtitle_rect(*rgb, inside.rect));
  inside.rect.data[1] = nullptr;
  EXPECT_FALSE(dvd::burn_subtitle_rect(*picture, inside.rect));
  for (int x = 0; x < 8; ++x) EXPECT_EQ(picture->data[0][x], 16);
}

}  // namespace
