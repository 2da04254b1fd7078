// Melodies in other keys and octaves brought into Kantilo's C major, and the words for it.
#include <gtest/gtest.h>

#include <vector>

#include "CTransposition.h"

TEST(Transposition, ChoosesTheSmallestShiftThatFitsTheRange) {
    struct SCase {
        int nFifths;
        std::vector<int> keys;
        std::optional<int> shift;
    };
    const SCase cases[] = {
        {0, {60, 81}, 0},             // C4 to A5: already there
        {1, {55, 67}, 5},             // G major, G3 to G4: up a fourth
        {-3, {63, 75}, -3},           // E flat major, Es4 to Es5
        {6, {66, 78}, -6},            // F sharp major: a tritone either way, the lower one
        {0, {59, 72}, std::nullopt},  // B3 to C5 in C: no octave fits
        {2, {50, 86}, std::nullopt},  // three octaves: nothing fits
        {3, {}, 0},                   // no notes: nothing to move
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.nFifths);
        EXPECT_EQ(CTransposition::IntoC(c.nFifths, c.keys), c.shift);
    }
}

TEST(Transposition, NamesKeysAndIntervalsTheGermanWay) {
    EXPECT_EQ(CTransposition::KeyName(-2, false), "B-Dur");
    EXPECT_EQ(CTransposition::KeyName(-3, false), "Es-Dur");
    EXPECT_EQ(CTransposition::KeyName(5, false), "H-Dur");
    EXPECT_EQ(CTransposition::KeyName(3, true), "fis-Moll");
    EXPECT_EQ(CTransposition::KeyName(-5, true), "b-Moll");
    EXPECT_EQ(CTransposition::IntervalName(-7), "eine Quinte tiefer");
    EXPECT_EQ(CTransposition::IntervalName(6), "einen Tritonus höher");
    EXPECT_EQ(CTransposition::IntervalName(-16), "eine Oktave und eine große Terz tiefer");
    EXPECT_EQ(CTransposition::IntervalName(24), "2 Oktaven höher");
}
