#include "archive/history_view.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "archive/archive_fixture.hpp"

namespace orvelt {
namespace {

using testing::kForever;
using HistoryArchiveTest = testing::ArchiveTest;

constexpr UtcSeconds kDay = 86400;

TEST(Span_Range, EachSpanEndsWithTheLastPass) {
  // 2026-12-06 10:00:00 UTC, and a pass that starts 23:55 on that day and runs past midnight.
  const UtcSeconds day = 1796515200;
  const PassSpan first{day - 40 * kDay + 3600, day - 40 * kDay + 4199, 100};
  const PassSpan last{day + 36000, day + 36599, 600};
  const PassSpan late{day + kDay - 300, day + kDay + 299, 600};
  struct Case {
    HistorySpan span;
    std::vector<PassSpan> passes;
    std::optional<TimeRange> range;
  };
  for (const auto& [span, passes, range] : std::vector<Case>{
           {HistorySpan::Last_Pass, {first, last}, TimeRange{day + 36000 - 30, day + 36599 + 30}},
           {HistorySpan::Day, {first, last}, TimeRange{day, day + kDay}},
           {HistorySpan::Week, {first, last}, TimeRange{day - 6 * kDay, day + kDay}},
           {HistorySpan::Month, {first, last}, TimeRange{day - 29 * kDay, day + kDay}},
           // The whole mission with a fiftieth of it on either side.
           {HistorySpan::Mission,
            {first, last},
            TimeRange{first.start - (last.end - first.start) / 50,
                      last.end + (last.end - first.start) / 50}},
           // A pass over midnight: its day is the day it began, shown with the pass whole.
           {HistorySpan::Day, {first, late}, TimeRange{day, late.end + 30}},
           // One pass alone: the mission is that pass, with at least a minute either side.
           {HistorySpan::Mission, {last}, TimeRange{last.start - 60, last.end + 60}},
           // Before 1970, days still begin at midnight.
           {HistorySpan::Day, {{-kDay + 60, -kDay + 120, 1}}, TimeRange{-kDay, 0}},
           {HistorySpan::Day, {}, std::nullopt},
           {HistorySpan::Last_Pass, {}, std::nullopt},
       }) {
    SCOPED_TRACE(static_cast<int>(span));
    EXPECT_EQ(Span_Range(span, passes), range);
  }
}

TEST(Column_At, FindsWhatIsDrawnUnderTheCursor) {
  HistoryView columns;
  columns.envelope = true;
  columns.columns = {{100, 160, 5, 1.0, 2.0}, {160, 220, 3, 0.5, 4.0}, {1000, 1060, 2, 7.0, 8.0}};
  HistoryView samples;
  samples.samples = {{100, 1.5}, {103, 2.5}, {200, 3.5}};
  struct Case {
    const HistoryView* view;
    UtcSeconds t, reach;
    std::optional<UtcSeconds> start;  // of the column found
  };
  for (const auto& [view, t, reach, start] : std::vector<Case>{
           {&columns, 100, 0, 100},     // a column's first second
           {&columns, 159, 0, 100},     // its last
           {&columns, 160, 0, 160},     // the next one's first
           {&columns, 500, 10, {}},     // in a gap, far from both sides
           {&columns, 225, 10, 160},    // just after a column
           {&columns, 995, 10, 1000},   // just before one
           {&columns, 90, 10, 100},     // before the first
           {&columns, 1069, 10, 1000},  // after the last
           {&columns, 1070, 5, {}},
           {&samples, 101, 5, 100},  // the nearer sample
           {&samples, 102, 5, 103},
           {&samples, 103, 0, 103},
           {&samples, 150, 5, {}},
           {&samples, 205, 5, 200},
       }) {
    SCOPED_TRACE(t);
    const auto found = Column_At(*view, t, reach);
    EXPECT_EQ(found ? std::optional(found->start) : std::nullopt, start);
  }
  // A sample is a column of one, its value both minimum and maximum.
  const auto one = Column_At(samples, 103, 0).value();
  EXPECT_EQ(std::tuple(one.count, one.min, one.max), std::tuple(1, 2.5, 2.5));
}

// A commit by another connection is seen once; nothing written, nothing seen; a file that is
// not there cannot be read.
TEST_F(HistoryArchiveTest, ReaderSeesEveryCommitOfAnotherConnection) {
  EXPECT_FALSE(HistoryReader::Open(File()).ok());
  EXPECT_FALSE(std::filesystem::exists(File()));
  Add_Pass(1795857240, 30, 1);
  auto reader = HistoryReader::Open(File());
  ASSERT_TRUE(reader.ok()) << reader.why();
  EXPECT_FALSE(reader.value()->Changed());
  EXPECT_EQ(Open()->Passes(0, kForever).value().size(), 1u);  // another connection reads
  EXPECT_FALSE(reader.value()->Changed());                    // reading is no change
  Add_Pass(1795857240 + kDay, 30, 2);
  EXPECT_TRUE(reader.value()->Changed());
  EXPECT_FALSE(reader.value()->Changed());
  Add_Pass(1795857240 + 2 * kDay, 30, 3);
  Add_Pass(1795857240 + 3 * kDay, 30, 4);
  EXPECT_TRUE(reader.value()->Changed());
}

// Every pass's figures from the minute buckets are those its samples give, and its sources, read
// for all passes at once, are those Sources_Within gives pass by pass, in its order: a pass from
// two files (most minutes first) that begins in the middle of a minute, one that ends two
// seconds over a minute's end; any passes asked for get their own, none of their neighbours'.
TEST_F(HistoryArchiveTest, PassFiguresAndSourcesAgreeWithTheSamples) {
  const UtcSeconds t = 1795857240;
  Add_Pass(t + 17, 300, 1);
  Add_Pass(t + 27, 100, 1);        // another file over fewer of the same minutes
  Add_Pass(t + 317 + 600, 61, 2);  // ten silent minutes later: a pass of its own
  Add_Pass(t + kDay + 59, 2, 3);
  auto archive = Open();
  const auto passes = archive->Passes(0, kForever).value();
  ASSERT_EQ(passes.size(), 3u);
  auto reader = HistoryReader::Open(File());
  ASSERT_TRUE(reader.ok()) << reader.why();
  const auto names = [](const std::vector<Source>& sources) {
    std::vector<std::string> n;
    for (const Source& s : sources) n.push_back(s.name);
    return n;
  };
  for (const std::vector<PassSpan>& asked :
       {passes, std::vector<PassSpan>{passes[1]}, std::vector<PassSpan>{passes[0], passes[2]}}) {
    const auto sources = reader.value()->Pass_Sources(asked);
    ASSERT_TRUE(sources.ok()) << sources.why();
    ASSERT_EQ(sources.value().size(), asked.size());
    for (std::size_t p = 0; p < asked.size(); ++p) {
      SCOPED_TRACE(asked[p].start);
      const auto want = archive->Sources_Within(asked[p].start, asked[p].end).value();
      EXPECT_FALSE(want.empty());
      EXPECT_EQ(names(sources.value()[p]), names(want));
      for (const int channel : {3, 8, 51}) {
        const SampleSummary s = archive->Summary(channel, asked[p].start, asked[p].end).value();
        const SampleSummary got = Pass_Figures(*archive, channel, asked).value().at(p);
        EXPECT_GT(s.count, 0);
        EXPECT_EQ(std::tuple(got.count, got.min, got.max), std::tuple(s.count, s.min, s.max));
        EXPECT_NEAR(got.mean, s.mean, 1e-12 * std::max(1.0, std::fabs(s.mean)));
      }
    }
  }
  const auto first = reader.value()->Pass_Sources(passes).value()[0];
  ASSERT_EQ(first.size(), 2u);
  EXPECT_EQ(first[0].name, (dir_ / ("pass" + std::to_string(t + 17) + ".kss")).string());
  EXPECT_TRUE(reader.value()->Pass_Sources({}).value().empty());
  EXPECT_TRUE(Pass_Figures(*archive, 3, {}).value().empty());
}

}  // namespace
}  // namespace orvelt
