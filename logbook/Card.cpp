#include "logbook/Card.h"

#include <algorithm>

namespace veldrant::logbook {
namespace {

// The original tool writes an empty slot's tag as two NUL bytes.
bool EmptyTag(const std::string& tag) {
    return std::all_of(tag.begin(), tag.end(), [](char c) { return c == '\0'; });
}

}  // namespace

int Card::HolesPlayed() const {
    int n = 0;
    for (int h = 0; h < kCardHoles; ++h)
        n += Played(h);
    return n;
}

int Card::Strokes() const {
    int sum = 0;
    for (int s : players[0].strokes)
        sum += s;
    return sum;
}

int Card::Putts() const {
    int sum = 0;
    for (int h = 0; h < kCardHoles; ++h)
        if (Played(h))
            sum += putts[h];
    return sum;
}

CardKind Card::Kind() const {
    int front = 0, back = 0;
    for (int h = 0; h < 9; ++h) {
        front += Played(h);
        back += Played(h + 9);
    }
    if (front == 9 && back == 9)
        return CardKind::Eighteen;
    if (front == 9 && back == 0)
        return CardKind::FrontNine;
    if (front == 0 && back == 9)
        return CardKind::BackNine;
    return CardKind::Partial;
}

std::vector<Card> ReadCards(std::span<const rounds::ScoreLine> lines) {
    std::vector<Card> cards;
    size_t players = 0;  // in the last card
    for (size_t first = 0; first + 2 <= lines.size(); first += 2) {
        const rounds::ScoreLine& front = lines[first];
        const rounds::ScoreLine& back = lines[first + 1];
        bool putts = false;
        for (int i = 0; i < 9; ++i)
            putts = putts || front.values[2 * i + 1] != 0 || back.values[2 * i + 1] != 0;
        if (cards.empty() || putts || players == 4 ||
            (!EmptyTag(front.tag) && front.tag == cards.back().players[0].tag)) {
            cards.emplace_back();
            cards.back().frontWord = front.word;
            cards.back().backWord = back.word;
            players = 0;
        }
        Card& card = cards.back();
        CardPlayer& player = card.players[players];
        player.tag = front.tag;
        bool written = false;
        for (int i = 0; i < 9; ++i) {
            player.strokes[i] = front.values[2 * i];
            player.strokes[i + 9] = back.values[2 * i];
            written = written || player.strokes[i] != 0 || player.strokes[i + 9] != 0;
            if (players == 0) {
                card.putts[i] = front.values[2 * i + 1];
                card.putts[i + 9] = back.values[2 * i + 1];
            }
        }
        player.present = written || !EmptyTag(player.tag);
        ++players;
    }
    return cards;
}

}  // namespace veldrant::logbook
