// The host motion grid against the cell motion detector's active cells: PackBits both
// ways, the bitmap's bit order, and exact round trips for grids of two sizes.
#include <gtest/gtest.h>

#include <string>

#include "OnvifFramework/FunctionScripts/OnvifMotionGrid.h"
#include "Utils/Base64.h"

using namespace RPC::Onvif::MotionGrid;

namespace {

std::string bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

std::string text(const std::string& raw)
{
    return Zentar::Utils::base64Encode(raw.data(), raw.size());
}

TEST(PackBits, CompressesAsTiffDoesAndComesBackExactly)
{
    const struct {
        const char* name;
        std::string raw;
        std::string packed;
    } cases[] = {
        {"empty", "", ""},
        {"one byte", bytes({0x0F}), bytes({0x00, 0x0F})},
        {"a repeat", std::string(5, '\xFF'), bytes({0xFC, 0xFF})},
        {"a literal then a repeat", bytes({1, 2, 3, 3, 3}), bytes({0x01, 1, 2, 0xFE, 3})},
        {"the longest repeat", std::string(128, '\xAA'), bytes({0x81, 0xAA})},
        {"past the longest repeat", std::string(130, '\0'), bytes({0x81, 0x00, 0xFF, 0x00})},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.packed, packBits(c.raw)) << c.name;
        std::string back;
        ASSERT_TRUE(unpackBits(c.packed, back)) << c.name;
        EXPECT_EQ(c.raw, back) << c.name;
    }
    // A literal run longer than one header can say is split.
    std::string literal;
    for (int i = 0; i < 300; ++i)
        literal += static_cast<char>(i % 2 ? i : 255 - i % 251);
    std::string back;
    ASSERT_TRUE(unpackBits(packBits(literal), back));
    EXPECT_EQ(literal, back);
}

TEST(PackBits, RefusesRunsThatOverrunTheInput)
{
    std::string raw;
    for (const std::string& bad : {bytes({0x03, 1, 2}), bytes({0xFE}), bytes({0x7F})})
        EXPECT_FALSE(unpackBits(bad, raw));
    EXPECT_TRUE(unpackBits(bytes({0x80, 0x00, 7}), raw)) << "-128 is a no-op byte";
    EXPECT_EQ(bytes({7}), raw);
}

TEST(ActiveCells, FirstCellIsTheMostSignificantBitAndTheTailIsZero)
{
    CCells literal{3, 3, {1, 0, 0, 0, 0, 0, 0, 1, 0}};   // 9 cells: 0x81, then 0x00 for the last
    EXPECT_EQ(text(bytes({0x01, 0x81, 0x00})), encodeActiveCells(literal));
    CCells repeat{3, 3, {1, 0, 0, 0, 0, 0, 0, 0, 1}};   // 0x80 twice
    EXPECT_EQ(text(bytes({0xFF, 0x80})), encodeActiveCells(repeat));
    CCells full{22, 18, std::vector<unsigned char>(22 * 18, 1)};   // 396 cells: 49 bytes of 0xFF and 0xF0
    EXPECT_EQ(text(bytes({0xD0, 0xFF, 0x00, 0xF0})), encodeActiveCells(full));
}

TEST(ActiveCells, ReadsAShortBitmapAsUnwatchedCellsAndRefusesGarbage)
{
    CCells grid;
    ASSERT_TRUE(decodeActiveCells(text(bytes({0x00, 0xC0})), 4, 4, grid));
    EXPECT_EQ((std::vector<unsigned char>{1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), grid.cells);
    EXPECT_FALSE(decodeActiveCells("not base64!", 4, 4, grid));
    EXPECT_FALSE(decodeActiveCells(text(bytes({0x05, 1})), 4, 4, grid));
    EXPECT_FALSE(decodeActiveCells(text(bytes({0x00, 0xC0})), 0, 4, grid));
}

// Region -> cells -> the device's text -> cells -> region gives back what the host drew.
TEST(MotionGrid, RoundTripsFullEmptyAndCheckerboardOnTwoGridSizes)
{
    const struct {
        int columns, rows;
    } sizes[] = {{22, 18}, {16, 12}};
    for (const auto& size : sizes) {
        const unsigned full = (1u << size.columns) - 1;
        const unsigned even = 0x55555555u & full, odd = 0xAAAAAAAAu & full;
        Json::Value masks[3];
        for (int r = 0; r < size.rows; ++r) {
            masks[0].append(full);
            masks[1].append(0u);
            masks[2].append(r % 2 ? odd : even);
        }
        for (const Json::Value& region : masks) {
            const CCells cells = cellsOfRegion(region, size.columns, size.rows, size.columns, size.rows);
            CCells back;
            ASSERT_TRUE(decodeActiveCells(encodeActiveCells(cells), size.columns, size.rows, back));
            EXPECT_EQ(region, regionOfCells(back)) << size.columns << "x" << size.rows << " " << region[0];
            EXPECT_EQ(region[0].asUInt() != 0, anyWatched(back));
        }
    }
}

TEST(MotionGrid, ScalesARegionDrawnOnAnotherGridCellByCell)
{
    // The left half of a 22 x 18 grid is the left half of an 11 x 9 one.
    Json::Value region;
    for (int r = 0; r < 18; ++r)
        region.append(0x7FFu);
    const CCells small = cellsOfRegion(region, 22, 18, 11, 9);
    Json::Value expected;
    for (int r = 0; r < 9; ++r)
        expected.append(0x1Fu);   // cells 0..4 have their centres in host columns 1, 3, .. 9
    EXPECT_EQ(expected, regionOfCells(small));
    // Rows the host did not send are unwatched; a region that is not a list watches nothing.
    Json::Value shortRegion;
    shortRegion.append(1u);
    EXPECT_EQ(1u, regionOfCells(cellsOfRegion(shortRegion, 22, 18, 22, 18))[0].asUInt());
    EXPECT_EQ(0u, regionOfCells(cellsOfRegion(shortRegion, 22, 18, 22, 18))[1].asUInt());
    EXPECT_FALSE(anyWatched(cellsOfRegion(Json::Value("x"), 22, 18, 22, 18)));
}

} // namespace
