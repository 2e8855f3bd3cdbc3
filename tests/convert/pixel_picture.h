#pragma once

// Pixel fixtures written as pictures: one string per row, one character per pixel.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/rgba_color.h"

namespace pixmora::convert::test {

using Legend = std::map<char, model::RGBAColor>;

struct Picture {
    std::vector<model::RGBAColor> pixels;
    std::int64_t width = 0;
    std::int64_t height = 0;
};

inline Picture fromPicture(const std::vector<std::string>& rows, const Legend& legend)
{
    Picture picture;
    picture.height = static_cast<std::int64_t>(rows.size());
    picture.width = rows.empty() ? 0 : static_cast<std::int64_t>(rows.front().size());
    for (const std::string& row : rows) {
        EXPECT_EQ(static_cast<std::int64_t>(row.size()), picture.width) << "ragged fixture";
        for (char c : row) {
            picture.pixels.push_back(legend.at(c));
        }
    }
    return picture;
}

// Pixels not in the legend show as '?', so a failure prints where the pictures differ.
inline std::vector<std::string> toPicture(const std::vector<model::RGBAColor>& pixels,
                                          std::int64_t width, const Legend& legend)
{
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (i % static_cast<std::size_t>(width) == 0) {
            rows.emplace_back();
        }
        char shown = '?';
        for (const auto& [c, colour] : legend) {
            if (colour == pixels[i]) {
                shown = c;
                break;
            }
        }
        rows.back().push_back(shown);
    }
    return rows;
}

inline model::RGBAColor grey(int v, int a = 255)
{
    const auto c = static_cast<std::uint8_t>(v);
    return {c, c, c, static_cast<std::uint8_t>(a)};
}

inline model::RGBAColor hex(std::uint32_t rgb, std::uint8_t a = 255)
{
    return {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
            static_cast<std::uint8_t>(rgb), a};
}

}  // namespace pixmora::convert::test
