#include "Bitmap.h"

std::vector<unsigned char> BlankBmp24(std::uint32_t width, std::uint32_t height)
{
    const std::uint32_t rowBytes = (width * 3 + 3) / 4 * 4, pixelBytes = rowBytes * height;
    std::vector<unsigned char> file(BmpPixelOffset + pixelBytes, 0);
    auto put32 = [&file](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            file[at + i] = static_cast<unsigned char>(value >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<std::uint32_t>(file.size()));
    put32(10, static_cast<std::uint32_t>(BmpPixelOffset));
    put32(14, 40); // BITMAPINFOHEADER
    put32(18, width);
    put32(22, height);
    file[26] = 1;  // planes
    file[28] = 24; // bits per pixel
    put32(34, pixelBytes);
    return file;
}
