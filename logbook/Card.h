// A round's score cards read as golf: the watch keeps, per card, player 1's strokes and putts and
// the strokes of players 2 to 4, hole by hole. Each player present has two score lines (holes
// 1-9, then 10-18); player 1's give each hole's strokes then its putts, the other players' each
// hole's strokes then a 0. The original tool writes all four players, an empty slot with a NUL
// tag and zeros; Veldrant leaves empty slots out, so a card has two to eight lines.
#pragma once

#include <array>
#include <span>
#include <string>
#include <vector>

#include "rounds/Round.h"

namespace veldrant::logbook {

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

// The cards of a round, from its score lines in the file's order. A pair of lines starts a new
// card when it carries putts (only player 1's do), when the card has four players already, or
// when its tag is the card's first player's; else it is the card's next player. A last line
// without its pair is left out.
std::vector<Card> ReadCards(std::span<const rounds::ScoreLine> lines);
inline std::vector<Card> ReadCards(const rounds::Round& round) {
    return ReadCards(round.scores);
}

}  // namespace veldrant::logbook
