// Lending spare key places to the characters a keyboard lacks: every key gets a place that
// carries its character when it is typed, locked places stay, and a text needs no more batches
// than any plan could do with.

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>

#include "platform/lend_plan.h"

namespace zorvel {
namespace {

// A text of one-letter symbols; '.' is a key the keyboard has.
std::vector<TLendSymbol> Text(const std::string& letters) {
  std::vector<TLendSymbol> text;
  for (char c : letters) text.push_back(c == '.' ? 0 : static_cast<TLendSymbol>(c));
  return text;
}

// Places from letters: '-' empty, an upper-case letter locked with its lower-case symbol.
std::vector<TLendPlace> Places(const std::string& letters) {
  std::vector<TLendPlace> places;
  for (char c : letters) {
    if (c == '-')
      places.push_back({});
    else if (std::isupper(static_cast<unsigned char>(c)))
      places.push_back({static_cast<TLendSymbol>(std::tolower(c)), true});
    else
      places.push_back({static_cast<TLendSymbol>(c), false});
  }
  return places;
}

// Plays a plan: the places before each key, checking that every key that has a place finds its
// symbol there and that no locked place is written. Returns the keys typed.
std::vector<TLendSymbol> Play(const std::vector<TLendSymbol>& text, std::vector<TLendPlace> places,
                              const TLendPlan& plan) {
  std::vector<TLendSymbol> typed;
  size_t next = 0;
  EXPECT_EQ(plan.placeOf.size(), text.size());
  for (size_t pos = 0; pos < text.size(); ++pos) {
    if (next < plan.batches.size() && plan.batches[next].start == pos) {
      for (const auto& write : plan.batches[next].writes) {
        EXPECT_FALSE(places.at(write.place).locked) << "locked place " << write.place << " written";
        places.at(write.place).symbol = write.symbol;
      }
      ++next;
    }
    const size_t place = plan.placeOf[pos];
    if (text[pos] == 0) {
      EXPECT_EQ(place, TLendPlan::kNoPlace) << "at " << pos;
    } else if (place != TLendPlan::kNoPlace) {
      EXPECT_EQ(places.at(place).symbol, text[pos]) << "at " << pos;
      typed.push_back(text[pos]);
    }
  }
  EXPECT_EQ(next, plan.batches.size()) << "batches left over or out of order";
  return typed;
}

// The fewest batches any plan needs with `room` places, all empty at the start: each batch can
// hold no more than `room` distinct symbols, and starting the next one as late as possible never
// costs a batch.
size_t FewestBatches(const std::vector<TLendSymbol>& text, size_t room) {
  size_t batches = 0;
  std::set<TLendSymbol> window;
  for (TLendSymbol symbol : text) {
    if (symbol == 0 || window.count(symbol)) continue;
    if (window.size() == room || batches == 0) {
      window.clear();
      ++batches;
    }
    window.insert(symbol);
  }
  return batches;
}

size_t Written(const TLendPlan& plan) {
  size_t count = 0;
  for (const auto& batch : plan.batches) count += batch.writes.size();
  return count;
}

TEST(LendPlanTest, SmallCases) {
  struct Case {
    const char* name;
    std::string text;
    std::string places;
    size_t batches;
    size_t writes;
  };
  const Case cases[] = {
      {"nothing missing", "....", "---", 0, 0},
      {"empty text", "", "--", 0, 0},
      {"fits in one batch", "abcab.c", "---", 1, 3},
      {"already lent from before", "abba", "ab-", 0, 0},
      {"one more than fits", "abcd", "---", 2, 4},
      {"a cycle twice the room", "abcdabcd", "--", 4, 8},
      // 'a' and 'b' stay for the second half, only 'c' and 'd' are written again.
      {"kept symbols are not written again", "abcabdabc", "---", 3, 5},
      {"a locked place serves its symbol for free", "axbxcx", "X--", 2, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto text = Text(c.text);
    const auto places = Places(c.places);
    const TLendPlan plan = PlanLending(text, places);
    EXPECT_EQ(plan.batches.size(), c.batches);
    EXPECT_EQ(Written(plan), c.writes);
    size_t missing = 0;
    for (TLendSymbol symbol : text) missing += symbol != 0;
    EXPECT_EQ(Play(text, places, plan).size(), missing);
  }
}

TEST(LendPlanTest, EmptyPlacesAreFilledInTheirOrderBeforeTakenOnes) {
  // Places 0 and 1 are the first levels, 2 and 3 the second ones; place 1 carries a symbol the
  // text does not use.
  const TLendPlan plan = PlanLending(Text("ab"), Places("-z--"));
  ASSERT_EQ(plan.batches.size(), 1u);
  const std::vector<TLendBatch::Write> expected = {{0, 'a'}, {2, 'b'}};
  EXPECT_EQ(plan.batches[0].writes, expected);
  EXPECT_EQ(plan.batches[0].start, 0u);

  const TLendPlan full = PlanLending(Text("abc"), Places("-z-"));
  ASSERT_EQ(full.batches.size(), 1u);
  EXPECT_EQ(full.batches[0].writes.size(), 3u) << "the unused symbol gives way when room is short";
}

TEST(LendPlanTest, BatchStartsWhereItsFirstNewSymbolIsTyped) {
  const TLendPlan plan = PlanLending(Text("ab..cacb"), Places("--"));
  ASSERT_EQ(plan.batches.size(), 3u);
  EXPECT_EQ(plan.batches[0].start, 0u);
  EXPECT_EQ(plan.batches[1].start, 4u);
  EXPECT_EQ(plan.batches[2].start, 7u);
  // 'c' and 'a' are needed next; 'b' is needed after them, so it is the one that leaves.
  EXPECT_EQ(plan.batches[1].writes.size(), 1u);
  EXPECT_EQ(plan.batches[1].writes[0].symbol, TLendSymbol('c'));
}

TEST(LendPlanTest, WithEveryPlaceLockedTheMissingKeysGetNone) {
  const auto text = Text("axa");
  const TLendPlan plan = PlanLending(text, Places("A"));
  EXPECT_TRUE(plan.batches.empty());
  EXPECT_EQ(plan.placeOf[0], 0u);
  EXPECT_EQ(plan.placeOf[1], TLendPlan::kNoPlace);
  EXPECT_EQ(plan.placeOf[2], 0u);

  EXPECT_EQ(PlanLending(Text("ab"), {}).placeOf, std::vector<size_t>(2, TLendPlan::kNoPlace));
}

// Random texts in the shapes that matter (cycling through more symbols than there is room for,
// a few frequent symbols among many rare ones): every key typed right, as few batches as any
// plan could have.
TEST(LendPlanTest, RandomTextsAreTypedExactlyInTheFewestBatches) {
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    const size_t room = 1 + random() % 8;
    const size_t distinct = 1 + random() % 30;
    const size_t length = random() % 200;
    std::vector<TLendSymbol> text;
    for (size_t i = 0; i < length; ++i) {
      const size_t pick = round % 3 == 0   ? i % distinct  // a cycle
                          : round % 3 == 1 ? (random() % 2 ? random() % 3 : random() % distinct)
                                           : random() % (distinct + 1);
      text.push_back(round % 3 == 2 && pick == distinct ? 0 : 100 + pick);
    }
    SCOPED_TRACE("round " + std::to_string(round));
    const std::vector<TLendPlace> places(room);
    const TLendPlan plan = PlanLending(text, places);
    std::vector<TLendSymbol> missing;
    for (TLendSymbol symbol : text)
      if (symbol != 0) missing.push_back(symbol);
    EXPECT_EQ(Play(text, places, plan), missing);
    EXPECT_EQ(plan.batches.size(), FewestBatches(text, room));
  }
}

}  // namespace
}  // namespace zorvel
