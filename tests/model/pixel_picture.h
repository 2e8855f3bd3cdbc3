#pragma once

// Images as rows of characters with a legend, so a failed comparison shows where pixels differ.

#include <string>
#include <utility>
#include <vector>

#include "model/pixel_image.h"

namespace pixmora::test {

using Rows = std::vector<std::string>;
using Legend = std::vector<std::pair<char, model::RGBAColor>>;

inline model::PixelImage picture(const Rows& rows, const Legend& legend)
{
    const auto height = static_cast<std::int64_t>(rows.size());
    const auto width = rows.empty() ? std::int64_t{0} : static_cast<std::int64_t>(rows[0].size());
    model::PixelImage image(width, height);
    for (std::int64_t y = 0; y < height; ++y) {
        for (std::int64_t x = 0; x < width; ++x) {
            const char symbol = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
            for (const auto& [key, colour] : legend) {
                if (key == symbol) {
                    image.at(x, y) = colour;
                }
            }
        }
    }
    return image;
}

// Colours missing from the legend show as '?'.
inline Rows toRows(const model::PixelImage& image, const Legend& legend)
{
    Rows rows;
    for (std::int64_t y = 0; y < image.height; ++y) {
        std::string row;
        for (std::int64_t x = 0; x < image.width; ++x) {
            char symbol = '?';
            for (const auto& [key, colour] : legend) {
                if (colour == image.at(x, y)) {
                    symbol = key;
                    break;
                }
            }
            row.push_back(symbol);
        }
        rows.push_back(row);
    }
    return rows;
}

}  // namespace pixmora::test
