// Paints the pad bands around a picture placed inside a packed YUV 4:2:0 picture.
#pragma once

#include <cstdint>

// data/linesize: the three planes of the output picture, whose luma line size equals its width
// (chroma half). height: the output height. color: Y, U, V values. Band sizes are even.
void fill_pad_bands(uint8_t* const data[3], const int linesize[3], int height, int pad_top, int pad_bottom,
                    int pad_left, int pad_right, const int color[3]);
