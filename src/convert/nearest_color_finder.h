#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/rgba_color.h"

namespace pixmora::convert {

// Answers model::nearestPaletteIndex for one palette, with the same result for every
// query (squared RGB distance, ties to the lower index), but scanning only the entries
// that can win inside the query's grid cell. Cells are prepared on first use, so a
// finder costs little for a handful of queries. Not thread-safe; make one per call.
class NearestColorFinder {
public:
    // The palette must outlive the finder and must not be empty.
    explicit NearestColorFinder(const std::vector<model::RGBAColor>& palette);

    // Meant for r, g, b in 0..255; other values take the slow linear scan.
    std::size_t index(int r, int g, int b);
    const model::RGBAColor& color(int r, int g, int b) { return m_palette[index(r, g, b)]; }

    static constexpr int kCellShift = 5;
    static constexpr int kCellsPerAxis = 256 >> kCellShift;

private:
    struct Cell {
        std::uint32_t first = 0;
        std::uint32_t count = 0;
        bool ready = false;
    };

    void prepare(Cell& cell, int cr, int cg, int cb);

    const std::vector<model::RGBAColor>& m_palette;
    std::vector<Cell> m_cells;
    // Candidate palette indices of every prepared cell, each cell's run in ascending order.
    std::vector<std::uint32_t> m_candidates;
    // Flat areas repeat one colour; the last answer is kept for them.
    std::uint32_t m_lastKey = 0xFFFFFFFF;
    std::size_t m_lastIndex = 0;
};

}  // namespace pixmora::convert
