// The shared byte reader: values in both byte orders, and the sticky error that lets a
// parser read a whole header before checking once.
#include <gtest/gtest.h>

#include <functional>

#include "Utils/ByteReader.h"

using Zentar::Utils::CByteReader;

namespace {

const uint8_t kBytes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09};

TEST(ByteReader, ReadsEachWidthInItsOrder)
{
    const struct {
        const char* name;
        std::function<uint64_t(CByteReader&)> read;
        uint64_t value;
        size_t width;
    } rows[] = {
        {"u8", [](CByteReader& r) { return r.u8(); }, 0x01, 1},
        {"be16", [](CByteReader& r) { return r.be16(); }, 0x0102, 2},
        {"be24", [](CByteReader& r) { return r.be24(); }, 0x010203, 3},
        {"be32", [](CByteReader& r) { return r.be32(); }, 0x01020304, 4},
        {"be64", [](CByteReader& r) { return r.be64(); }, 0x0102030405060708ull, 8},
        {"le16", [](CByteReader& r) { return r.le16(); }, 0x0201, 2},
        {"le32", [](CByteReader& r) { return r.le32(); }, 0x04030201, 4},
    };
    for (const auto& row : rows) {
        CByteReader whole(kBytes, sizeof kBytes);
        EXPECT_EQ(row.read(whole), row.value) << row.name;
        EXPECT_EQ(whole.offset(), row.width) << row.name;
        EXPECT_TRUE(whole.ok()) << row.name;

        // One byte short: zero, nothing consumed, and the error stays.
        CByteReader shorter(kBytes, row.width - 1);
        EXPECT_EQ(row.read(shorter), 0u) << row.name;
        EXPECT_FALSE(shorter.ok()) << row.name;
        EXPECT_EQ(shorter.offset(), 0u) << row.name;
        EXPECT_EQ(shorter.u8(), 0u) << row.name << ": a byte that is there is not read after the error";
        EXPECT_FALSE(shorter.ok()) << row.name;
    }
}

TEST(ByteReader, SpansAndSubReaders)
{
    CByteReader in(kBytes, sizeof kBytes);
    in.skip(1);
    CByteReader inner = in.sub(3);
    EXPECT_TRUE(in.ok());
    EXPECT_EQ(in.offset(), 4u);
    EXPECT_EQ(inner.be24(), 0x020304u);
    EXPECT_EQ(inner.u8(), 0u) << "the inner reader ends where its span ends";
    EXPECT_FALSE(inner.ok());
    EXPECT_TRUE(in.ok()) << "an inner error does not spill into the outer reader";

    const uint8_t* rest = in.bytes(in.remaining());
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(*rest, 0x05);
    EXPECT_EQ(in.bytes(1), nullptr);
    EXPECT_FALSE(in.ok());

    CByteReader tooLong(kBytes, 2);
    CByteReader none = tooLong.sub(3);
    EXPECT_FALSE(tooLong.ok());
    EXPECT_FALSE(none.ok());
    EXPECT_EQ(none.remaining(), 0u);

    // A skip as large as size_t must not wrap the position.
    CByteReader huge(kBytes, sizeof kBytes);
    huge.skip(1);
    huge.skip(SIZE_MAX);
    EXPECT_FALSE(huge.ok());
    EXPECT_EQ(huge.offset(), 1u);

    CByteReader null(nullptr, 100);
    EXPECT_EQ(null.remaining(), 0u) << "no data means no bytes, whatever the size says";
    EXPECT_EQ(null.u8(), 0u);
    EXPECT_FALSE(null.ok());
}

} // namespace
