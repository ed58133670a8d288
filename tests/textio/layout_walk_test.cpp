// The walk over a compiled layout that writing and reading share: the order in which it hands
// items to its consumer, group and field repeat counts, reversion, the colon stop and error 60.
#include "textio/layout_walk.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "textio/channels.hpp"
#include "textio/reader.hpp"
#include "textio/writer.hpp"
#include "support/thrown.hpp"

namespace itemdif::textio {
namespace {

/// A consumer that logs what the walk hands it: fields by their letters, literals by their
/// text, other items by their letters, a reversion as '|'. It has `values` values to give and
/// takes up to `run` repetitions of a field at once, as the reader does for arrays.
struct Recorder {
  int values = 0;
  int run = 1;
  std::string log;
  std::vector<std::int32_t> offered;  // the repeats argument of every field call

  bool values_left() const { return values > 0; }
  std::int32_t field(const LayoutItem& item, std::int32_t repeats) {
    offered.push_back(repeats);
    const std::int32_t n = std::min({run, repeats, values});
    values -= n;
    for (std::int32_t k = 0; k < n; ++k) log += facts(item.kind).name;
    return n;
  }
  void edit(const LayoutItem& item) {
    log += item.kind == ItemKind::literal ? item.text : std::string(facts(item.kind).name);
  }
  void revert() { log += '|'; }
};

Recorder walk(std::string_view layout, int values, int run = 1) {
  Recorder recorder;
  recorder.values = values;
  recorder.run = run;
  walk_layout(Layout::compile(layout), recorder);
  return recorder;
}

int walk_error(std::string_view layout, int values) {
  try {
    walk(layout, values);
  } catch (const LayoutError& e) {
    return e.number;
  }
  return 0;
}

TEST(LayoutWalk, NestedGroupsRepeatWithFreshInnerCounts) {
  // The inner group runs its three passes anew on each pass of the outer one.
  EXPECT_EQ(walk("(2('<',I,3(A,'.'),'>'),'!')", 8).log, "<IA.A.A.><IA.A.A.>!");
  EXPECT_EQ(walk("(2(2(I)),X)", 4).log, "IIIIX");
  // The deepest nesting the compiler admits: 2^7 passes of the innermost field.
  const std::string deep = "(2(2(2(2(2(2(2(I))))))),'end')";
  EXPECT_EQ(walk(deep, 128).log, std::string(128, 'I') + "end");
  EXPECT_EQ(walk(deep, 129).log, std::string(128, 'I') + "end|I");
}

TEST(LayoutWalk, ValuesRunningOutStopAtTheNextField) {
  // Items after the last value are handed over up to the field that finds none left.
  EXPECT_EQ(walk("(2('<',I,'>'),'!')", 1).log, "<I><");
  EXPECT_EQ(walk("(3I,'x')", 2).log, "II");
  EXPECT_EQ(walk("('a',/,'b')", 0).log, "a/b");
}

TEST(LayoutWalk, NoValuesAtAllStopAtTheFirstField) {
  // An empty list (or one holding only empty arrays): the walk ends at the first field, also
  // inside a repeated group, without reverting.
  EXPECT_EQ(walk("('x',999(I3),'y')", 0).log, "x");
  EXPECT_EQ(walk("(999(I3))", 0).log, "");
}

TEST(LayoutWalk, ColonStopsOnlyWithoutValuesLeft) {
  EXPECT_EQ(walk("(3(I,:,','))", 2).log, "I,I");
  EXPECT_EQ(walk("(3(I,:,','))", 3).log, "I,I,I");
  EXPECT_EQ(walk("(I,:,'x')", 1).log, "I");
  // With a value left the colon passes, and the walk goes on to reversion.
  EXPECT_EQ(walk("(I,:,'x')", 2).log, "Ix|I");
  EXPECT_EQ(walk("(:,'x')", 0).log, "");
}

TEST(LayoutWalk, ReversionResumesAtTheLastOuterGroup) {
  // Without groups the whole layout again.
  EXPECT_EQ(walk("('a',I)", 3).log, "aI|aI|aI");
  // The group that opened last at the outer level, with its repeat count and nested groups.
  EXPECT_EQ(walk("(I,2(A),'-',2('[',I,2(A),']'))", 10).log, "IAA-[IAA][IAA]|[I");
  // A group nested inside the reversion group is not the point of reversion.
  EXPECT_EQ(walk("(I,2(I,3(A)),'.')", 10).log, "IIAAAIAAA.|I");
  // Reversion into a group leaves the items before it, even those after the last group.
  EXPECT_EQ(walk("('h',2(I),'t')", 5).log, "hIIt|IIt|I");
}

TEST(LayoutWalk, APassThatTakesNoValueIsError60) {
  EXPECT_EQ(walk_error("('no field',/)", 1), 60);
  // The first pass takes values; the part reverted to takes none.
  EXPECT_EQ(walk_error("(I,('x'))", 2), 60);
  EXPECT_EQ(walk_error("(I,('x'))", 1), 0);
  // The error comes before a second reversion is made, not after it.
  Recorder partial;
  partial.values = 3;
  const auto loop = itemdif::testing::thrown<LayoutError>(
      [&] { walk_layout(Layout::compile("(I,(X))"), partial); });
  ASSERT_TRUE(loop.has_value());
  EXPECT_STREQ(loop->what(), "infinite format loop");
  EXPECT_EQ(loop->number, 60);
  EXPECT_EQ(partial.log, "IX|X");
  // Without values left the end of the layout ends the operation, field or none.
  EXPECT_EQ(walk_error("('no field')", 0), 0);
}

TEST(LayoutWalk, FieldRepeatsTakenInRuns) {
  // A consumer taking several repetitions at once is offered what is left of the count.
  Recorder r = walk("(5F)", 5, 2);
  EXPECT_EQ(r.log, "FFFFF");
  EXPECT_EQ(r.offered, (std::vector<std::int32_t>{5, 3, 1}));
  // Runs never cross a group pass: each pass offers the field's own count.
  Recorder g = walk("(2(3F,'|'))", 6, 10);
  EXPECT_EQ(g.log, "FFF|FFF|");
  EXPECT_EQ(g.offered, (std::vector<std::int32_t>{3, 3}));
  // A run cut short by the values leaves the rest of the count to a field that finds none.
  Recorder cut = walk("(4F,'x')", 3, 2);
  EXPECT_EQ(cut.log, "FFF");
  EXPECT_EQ(cut.offered, (std::vector<std::int32_t>{4, 2}));
}

// The two consumers walk the same layout alike: what the writer puts on lines under a layout,
// the reader takes back from them under that layout.
TEST(LayoutWalk, ReaderTakesBackWhatTheWriterWrote) {
  struct Case {
    const char* layout;
    std::size_t count;
  };
  for (const Case& c : {Case{"(1X,2(F3.0,2(F2.0)))", 6}, Case{"(1X,2(F3.0,2(F2.0)))", 14},
                        Case{"(F2.0,2(1X,F2.0,:,'/'),/)", 9}, Case{"(2F3.0,2/,F3.0)", 7},
                        Case{"(F3.0,T9,F2.0,TL6,F2.0)", 6}}) {
    std::vector<double> written(c.count);
    for (std::size_t i = 0; i < c.count; ++i) written[i] = static_cast<double>(i % 9 + 1);
    const Layout layout = Layout::compile(c.layout);
    const Value values[] = {std::span<const double>(written)};
    const FormattedLines lines = format_lines(layout, values);
    std::string file;
    for (const std::string& line : lines.lines) file += line + "\n";

    std::istringstream source(file);
    InputChannel channel(20, "REF.DAT", source);
    std::vector<double> read(c.count, -1.0);
    const Target target = std::span<double>(read);
    read_formatted(channel, layout, std::span<const Target>(&target, 1));
    EXPECT_EQ(read, written) << c.layout << " from\n" << file;
  }
}

}  // namespace
}  // namespace itemdif::textio
