#pragma once
// The host's motion grid and the cell motion detector's active cells.
//
// The host draws a motion window as "Region": one integer per grid row, bit c set when
// the cell in column c is watched (22 columns of a full row: 0x3FFFFF). The device keeps
// the same cells as "ActiveCells": one bit per cell in row-major order, the first cell in
// the most significant bit of the first byte, the last byte padded with zeros, compressed
// with PackBits and written in base64.
#include <json/json.h>

#include <string>
#include <vector>

namespace RPC {
namespace Onvif {
namespace MotionGrid {

// Columns beyond this do not fit a host row.
constexpr int kMaxColumns = 32;
constexpr int kMaxRows = 256;

// A grid of cells, row-major, 1 = watched.
struct CCells {
    int columns = 0;
    int rows = 0;
    std::vector<unsigned char> cells;
};

// PackBits as TIFF writes it (literal runs of up to 128 bytes, repeats of 2 to 128).
std::string packBits(const std::string& raw);
// False on a run that goes past the end of the input.
bool unpackBits(const std::string& packed, std::string& raw);

// The base64 text of a grid's cells.
std::string encodeActiveCells(const CCells& grid);
// The cells of a columns x rows grid from the device's text. A bitmap shorter than the grid
// leaves the remaining cells unwatched; bad base64 or PackBits is false.
bool decodeActiveCells(const std::string& text, int columns, int rows, CCells& grid);

// "Region" rows of a grid (columns <= kMaxColumns).
Json::Value regionOfCells(const CCells& grid);
// The cells a host region of hostColumns x hostRows covers on a device grid of
// columns x rows; a region drawn on another grid size is scaled cell by cell (each device
// cell takes the host cell its centre falls in).
CCells cellsOfRegion(const Json::Value& region, int hostColumns, int hostRows, int columns, int rows);

bool anyWatched(const CCells& grid);

} // namespace MotionGrid
} // namespace Onvif
} // namespace RPC
