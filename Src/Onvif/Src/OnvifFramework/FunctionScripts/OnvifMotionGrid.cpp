#include "OnvifFramework/FunctionScripts/OnvifMotionGrid.h"

#include <algorithm>

#include "Utils/Base64.h"

namespace RPC {
namespace Onvif {
namespace MotionGrid {

std::string packBits(const std::string& raw)
{
    std::string out;
    size_t i = 0;
    while (i < raw.size()) {
        size_t run = 1;
        while (i + run < raw.size() && run < 128 && raw[i + run] == raw[i])
            ++run;
        if (run >= 2) {
            out += static_cast<char>(257 - run);   // -(run - 1) as a signed byte
            out += raw[i];
            i += run;
            continue;
        }
        // A literal run lasts until two equal bytes start a repeat.
        size_t literal = 1;
        while (i + literal < raw.size() && literal < 128 &&
               !(i + literal + 1 < raw.size() && raw[i + literal] == raw[i + literal + 1]))
            ++literal;
        out += static_cast<char>(literal - 1);
        out.append(raw, i, literal);
        i += literal;
    }
    return out;
}

bool unpackBits(const std::string& packed, std::string& raw)
{
    raw.clear();
    size_t i = 0;
    while (i < packed.size()) {
        const int header = static_cast<signed char>(packed[i++]);
        if (header == -128)
            continue;   // a no-op byte
        if (header >= 0) {
            const size_t count = static_cast<size_t>(header) + 1;
            if (i + count > packed.size())
                return false;
            raw.append(packed, i, count);
            i += count;
        } else {
            if (i >= packed.size())
                return false;
            raw.append(static_cast<size_t>(1 - header), packed[i++]);
        }
    }
    return true;
}

std::string encodeActiveCells(const CCells& grid)
{
    std::string bitmap((grid.cells.size() + 7) / 8, '\0');
    for (size_t n = 0; n < grid.cells.size(); ++n)
        if (grid.cells[n])
            bitmap[n / 8] = static_cast<char>(bitmap[n / 8] | (0x80 >> (n % 8)));
    const std::string packed = packBits(bitmap);
    return Zentar::Utils::base64Encode(packed.data(), packed.size());
}

bool decodeActiveCells(const std::string& text, int columns, int rows, CCells& grid)
{
    std::string packed, bitmap;
    if (columns <= 0 || rows <= 0 || !Zentar::Utils::base64Decode(text.data(), text.size(), packed) ||
        !unpackBits(packed, bitmap))
        return false;
    grid.columns = columns;
    grid.rows = rows;
    grid.cells.assign(static_cast<size_t>(columns) * rows, 0);
    for (size_t n = 0; n < grid.cells.size() && n / 8 < bitmap.size(); ++n)
        grid.cells[n] = (static_cast<unsigned char>(bitmap[n / 8]) & (0x80 >> (n % 8))) ? 1 : 0;
    return true;
}

Json::Value regionOfCells(const CCells& grid)
{
    Json::Value region(Json::arrayValue);
    for (int r = 0; r < grid.rows; ++r) {
        unsigned row = 0;
        for (int c = 0; c < grid.columns && c < kMaxColumns; ++c)
            if (grid.cells[static_cast<size_t>(r) * grid.columns + c])
                row |= 1u << c;
        region.append(row);
    }
    return region;
}

CCells cellsOfRegion(const Json::Value& region, int hostColumns, int hostRows, int columns, int rows)
{
    CCells grid;
    grid.columns = columns;
    grid.rows = rows;
    grid.cells.assign(static_cast<size_t>(std::max(columns, 0)) * std::max(rows, 0), 0);
    if (!region.isArray() || hostColumns <= 0 || hostRows <= 0)
        return grid;
    for (int r = 0; r < rows; ++r) {
        const int hostRow = static_cast<int>((2LL * r + 1) * hostRows / (2LL * rows));
        const Json::Value& bits = hostRow < static_cast<int>(region.size()) ? region[hostRow] : Json::Value();
        const unsigned mask = bits.isConvertibleTo(Json::uintValue) ? bits.asUInt() : 0u;
        for (int c = 0; c < columns; ++c) {
            const int hostColumn = static_cast<int>((2LL * c + 1) * hostColumns / (2LL * columns));
            if (hostColumn < kMaxColumns && (mask >> hostColumn) & 1u)
                grid.cells[static_cast<size_t>(r) * columns + c] = 1;
        }
    }
    return grid;
}

bool anyWatched(const CCells& grid)
{
    return std::find(grid.cells.begin(), grid.cells.end(), 1) != grid.cells.end();
}

} // namespace MotionGrid
} // namespace Onvif
} // namespace RPC
