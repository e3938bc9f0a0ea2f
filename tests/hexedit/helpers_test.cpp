#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <vector>

#include "hexedit/byte_search.h"
#include "hexedit/key_filters.h"
#include "hexedit/write_back.h"
#include "support/test_support.h"

namespace {

using hexedit::CloseOffer;
using hexedit::HexSource;

// The plain scan every position of FindBytes must agree with.
std::optional<std::size_t> Naive(const std::vector<std::uint8_t>& d, std::size_t from,
                                 const std::vector<std::uint8_t>& p, bool fold) {
    const auto f = [fold](std::uint8_t b) { return fold ? hexedit::FoldByte(b) : b; };
    for (std::size_t i = from; p.size() <= d.size() && i <= d.size() - p.size(); ++i) {
        std::size_t k = 0;
        while (k < p.size() && f(d[i + k]) == f(p[k])) ++k;
        if (k == p.size()) return i;
    }
    return std::nullopt;
}

TEST(FindBytes, AgreesWithAPlainScanOnSmallAlphabets) {
    std::mt19937 rng(7);
    const std::uint8_t alphabet[] = {'a', 'A', 'b', 'B', 0xE9, 0xC9, 0xF7, 0xD7, '1'};
    const auto pick = [&] { return alphabet[rng() % sizeof alphabet]; };
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::uint8_t> data(rng() % 70), pattern(1 + rng() % 4);
        for (auto& b : data) b = pick();
        for (auto& b : pattern) b = pick();
        const std::size_t from = rng() % (data.size() + 2);
        const bool fold = round % 2 == 0;
        ASSERT_EQ(hexedit::FindBytes(data, from, pattern, fold), Naive(data, from, pattern, fold)) << round;
    }
}

// Saving to a file replaces the whole of it, also a longer one.
TEST(WriteBytesToFile, ReplacesALongerFileWhole) {
    testing_support::TempDir dir;
    testing_support::WriteBytes(dir.file("f"), std::vector<std::uint8_t>(100, 'x'));
    hexedit::WriteBytesToFile(dir.file("f"), std::vector<std::uint8_t>{1, 2, 3});
    EXPECT_EQ(testing_support::ReadBytes(dir.file("f")), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(KeyFilters, PassOnlyTheirDigitsAndClampNumbers) {
    for (int key : {int{'g'}, int{'/'}, int{':'}, int{'@'}, 0xE1}) EXPECT_EQ(hexedit::FilterHexKey(key), 0) << key;
    EXPECT_EQ(hexedit::FilterNumericKey('a'), 0);
    EXPECT_EQ(hexedit::NoFraction(-2.7), -2);
    EXPECT_EQ(hexedit::NoFraction(1e30), std::numeric_limits<std::int64_t>::max());
}

TEST(CloseOffer, WriteBackOnlyForAnEditedItemOfAnUnchangedTable) {
    const HexSource edited{true, 3, true, false};
    HexSource viewed = edited, stored = edited, file;
    viewed.ItemEditing = false;
    stored.StoredBytes = true;
    EXPECT_EQ(hexedit::OfferOnClose(edited, true, true), CloseOffer::WriteBack);
    EXPECT_EQ(hexedit::OfferOnClose(edited, true, false), CloseOffer::SaveToFile);
    EXPECT_EQ(hexedit::OfferOnClose(edited, false, false), CloseOffer::None);
    EXPECT_EQ(hexedit::OfferOnClose(viewed, true, true), CloseOffer::SaveToFile);
    EXPECT_EQ(hexedit::OfferOnClose(stored, true, true), CloseOffer::SaveToFile);
    EXPECT_EQ(hexedit::OfferOnClose(file, true, false), CloseOffer::SaveToFile);
}

}  // namespace
