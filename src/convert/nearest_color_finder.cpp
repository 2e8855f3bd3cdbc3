#include "convert/nearest_color_finder.h"

#include "model/color_mode.h"

#include <algorithm>
#include <limits>

namespace pixmora::convert {

namespace {

constexpr int kCellSize = 1 << NearestColorFinder::kCellShift;

// Squared distance along one axis from v to the nearest and farthest point of lo..hi.
int axisNear(int v, int lo, int hi)
{
    const int d = v < lo ? lo - v : (v > hi ? v - hi : 0);
    return d * d;
}

int axisFar(int v, int lo, int hi)
{
    const int d = std::max(v - lo, hi - v);
    return d * d;
}

}  // namespace

NearestColorFinder::NearestColorFinder(const std::vector<model::RGBAColor>& palette)
    : m_palette(palette), m_cells(kCellsPerAxis * kCellsPerAxis * kCellsPerAxis)
{
}

std::size_t NearestColorFinder::index(int r, int g, int b)
{
    if (m_palette.size() == 1) {
        return 0;
    }
    if ((static_cast<unsigned>(r) | static_cast<unsigned>(g) | static_cast<unsigned>(b)) > 255u) {
        // Outside the grid: answer as the model does rather than index past the cells.
        return model::nearestPaletteIndex(r, g, b, m_palette);
    }
    const auto key = static_cast<std::uint32_t>(r << 16 | g << 8 | b);
    if (key == m_lastKey) {
        return m_lastIndex;
    }
    const int cr = r >> kCellShift;
    const int cg = g >> kCellShift;
    const int cb = b >> kCellShift;
    Cell& cell = m_cells[static_cast<std::size_t>((cr * kCellsPerAxis + cg) * kCellsPerAxis + cb)];
    if (!cell.ready) {
        prepare(cell, cr, cg, cb);
    }
    // Candidates ascend by index, so strict < keeps the linear scan's tie rule.
    std::size_t best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    const std::uint32_t* it = m_candidates.data() + cell.first;
    for (std::uint32_t k = 0; k < cell.count; ++k) {
        const model::RGBAColor& p = m_palette[it[k]];
        const int dr = r - p.r;
        const int dg = g - p.g;
        const int db = b - p.b;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = it[k];
        }
    }
    m_lastKey = key;
    m_lastIndex = best;
    return best;
}

void NearestColorFinder::prepare(Cell& cell, int cr, int cg, int cb)
{
    // Every point of the cell lies within `reach` of some entry, so the winner for any
    // point (and every entry tying with it) is at most `reach` from the cell's box.
    const int rLo = cr * kCellSize;
    const int gLo = cg * kCellSize;
    const int bLo = cb * kCellSize;
    const int rHi = rLo + kCellSize - 1;
    const int gHi = gLo + kCellSize - 1;
    const int bHi = bLo + kCellSize - 1;
    int reach = std::numeric_limits<int>::max();
    for (const model::RGBAColor& p : m_palette) {
        reach = std::min(reach, axisFar(p.r, rLo, rHi) + axisFar(p.g, gLo, gHi)
                                    + axisFar(p.b, bLo, bHi));
    }
    cell.first = static_cast<std::uint32_t>(m_candidates.size());
    for (std::size_t i = 0; i < m_palette.size(); ++i) {
        const model::RGBAColor& p = m_palette[i];
        const int nearest = axisNear(p.r, rLo, rHi) + axisNear(p.g, gLo, gHi)
                            + axisNear(p.b, bLo, bHi);
        if (nearest <= reach) {
            m_candidates.push_back(static_cast<std::uint32_t>(i));
        }
    }
    cell.count = static_cast<std::uint32_t>(m_candidates.size()) - cell.first;
    cell.ready = true;
}

}  // namespace pixmora::convert
