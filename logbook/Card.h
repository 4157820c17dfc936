// A round's score cards read as golf: the watch keeps, per card, player 1's strokes and putts and
// the strokes of players 2 to 4, hole by hole. A card comes as eight score lines, two per player
// (holes 1-9, then 10-18); player 1's lines give each hole's strokes then its putts, the other
// players' lines give each hole's strokes then a 0.
#pragma once

#include <array>
#include <span>
#include <string>
#include <vector>

#include "rounds/Round.h"

namespace veldrant::logbook {

inline constexpr size_t kCardLines = 8;
inline constexpr int kCardHoles = 18;

struct CardPlayer {
    std::string tag;  // as the file gives it
    std::array<int, kCardHoles> strokes{};
    bool present = false;  // a tag that is not empty or NUL, or a stroke written
};

enum class CardKind {
    Eighteen,   // strokes on all 18 holes
    FrontNine,  // strokes on holes 1-9 only, all of them
    BackNine,   // strokes on holes 10-18 only, all of them
    Partial,    // any other set of holes, none included
};

struct Card {
    std::array<CardPlayer, 4> players;
    std::array<int, kCardHoles> putts{};  // player 1's
    uint32_t frontWord = 0, backWord = 0;

    const CardPlayer& Golfer() const { return players[0]; }
    // Card holes (0-based) on which player 1 has strokes.
    bool Played(int hole) const { return players[0].strokes[hole] != 0; }
    int HolesPlayed() const;
    int Strokes() const;  // player 1's, over the holes played
    int Putts() const;
    CardKind Kind() const;
};

// The cards of a round, eight lines each in the file's order; lines after the last whole card are
// left out.
std::vector<Card> ReadCards(std::span<const rounds::ScoreLine> lines);
inline std::vector<Card> ReadCards(const rounds::Round& round) {
    return ReadCards(round.scores);
}

}  // namespace veldrant::logbook
