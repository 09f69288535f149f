#pragma once
// Small uncompressed BMP files for texture loading tests.
#include <cstddef>
#include <cstdint>
#include <vector>

// Where a BMP's pixel bytes start: bottom row first, B G R per pixel, rows padded to 4 bytes.
const std::size_t BmpPixelOffset = 54;

// A width x height 24-bit BMP file, every pixel black; fill its pixel bytes from BmpPixelOffset.
std::vector<unsigned char> BlankBmp24(std::uint32_t width, std::uint32_t height);
