// The layout compiler: the item notation, the comma rules, groups and syntax errors.
#include "textio/layout.hpp"

#include <gtest/gtest.h>

#include "textio/errors.hpp"

namespace itemdif::textio {
namespace {

// The compiled items written back in a canonical notation: repeat counts always shown on
// fields, slashes and groups, defaults filled in, literals in brackets.
std::string show(std::string_view text) {
  std::string out;
  const Layout layout = Layout::compile(text);
  for (const LayoutItem& it : layout.items()) {
    if (!out.empty()) out += ' ';
    const std::string name(facts(it.kind).name);
    if (it.kind == ItemKind::literal) {
      out += "[" + it.text + "]";
    } else if (it.kind == ItemKind::skip_right || it.kind == ItemKind::scale) {
      out += std::to_string(it.count) + name;
    } else if (it.kind == ItemKind::skip_left || it.kind == ItemKind::tab) {
      out += name + std::to_string(it.count);
    } else if (it.is_field() || it.kind == ItemKind::slash || it.kind == ItemKind::group_open) {
      out += std::to_string(it.repeat) + name;
      if (it.width >= 0) out += std::to_string(it.width);
      if (it.digits >= 0) out += "." + std::to_string(it.digits);
      if (it.exponent_digits >= 0) out += "E" + std::to_string(it.exponent_digits);
    } else {
      out += name;
    }
  }
  return out;
}

// The rest of the text that a syntax error reports, or "compiled" when there is none.
std::string error_at(std::string_view text) {
  try {
    Layout::compile(text);
  } catch (const LayoutError& e) {
    EXPECT_EQ(e.number, 62);
    return e.info;
  }
  return "compiled";
}

TEST(LayoutNotation, Literals) {
  EXPECT_EQ(show(R"(('It''s',"say ""hi""",'',3HA'B,2h  ))"), R"([It's] [say "hi"] [] [A'B] [  ])");
  EXPECT_EQ(show("( ' a  b ' , 4h x y)"), "[ a  b ] [ x y]");
}

TEST(LayoutNotation, MovementsModesAndStops) {
  EXPECT_EQ(show("(3X,X,T12,TL4,TR 2,2/,/,:,$,\\)"), "3X 1X T12 TL4 2X 2/ 1/ : $ $");
  EXPECT_EQ(show("(1P,-2PE10.3,+3P,BN,BZ,S,SP,SS)"), "1P -2P 1E10.3 3P BN BZ S SP SS");
}

TEST(LayoutNotation, Fields) {
  EXPECT_EQ(show("(3I5,I4.2,F10.6,2E14.6,E12.4E3,D24.15,G10.3E2,EN12.3,ES11.4)"),
            "3I5.1 1I4.2 1F10.6 2E14.6 1E12.4E3 1D24.15 1G10.3E2 1EN12.3 1ES11.4");
  EXPECT_EQ(show("(A,4A1,L2,O6.3,Z4,B8,Q)"), "1A 4A1 1L2 1O6.3 1Z4 1B8 1Q");
  // Blanks are insignificant and lower case counts as capitals.
  EXPECT_EQ(show("( 1 0 x , 2 0 f 1 . 0 , t r 3 , a 8 )"), "10X 20F1.0 3X 1A8");
  // Without a width the field gets a default one (A keeps the value's own length).
  EXPECT_EQ(show("(I,F,E,L)"), "1I12.1 1F25.16 1E25.16E3 1L2");
}

TEST(LayoutNotation, GroupsPartnersAndReversion) {
  Layout layout = Layout::compile("(A20,4(F10.6,3X))");
  const auto& it = layout.items();
  ASSERT_EQ(it.size(), 5u);
  EXPECT_EQ(it[1].partner, 4);
  EXPECT_EQ(it[4].partner, 1);
  EXPECT_EQ(layout.reversion_start(), 1u);
  // The group that opened last at the outer level, not the last group of all.
  EXPECT_EQ(Layout::compile("(I3,2(I2,3(I1)),I4,(I5),I6)").reversion_start(), 8u);
  EXPECT_EQ(Layout::compile("(I3,2(I2,3(I1)),I4)").reversion_start(), 1u);
  EXPECT_EQ(Layout::compile("(1X,999I5)").reversion_start(), 0u);
  EXPECT_EQ(show("()"), "");
  EXPECT_EQ(show("(((((((( I1 ))))))))"), "1( 1( 1( 1( 1( 1( 1( 1I1.1 ) ) ) ) ) ) )");
  EXPECT_EQ(error_at("(((((((((I1)))))))))"), "(I1)))))))))");
}

TEST(LayoutCommas, MayBeLeftOutAroundSlashColonLiteralsAndAfterScale) {
  EXPECT_EQ(show("(I3/I4:I5)"), "1I3.1 1/ 1I4.1 : 1I5.1");
  EXPECT_EQ(show("('a'I3'b'2HcdI2)"), "[a] 1I3.1 [b] [cd] 1I2.1");
  EXPECT_EQ(show("(1PE14.6,1P2E14.6)"), "1P 1E14.6 1P 2E14.6");
  EXPECT_EQ(show("(//'x'/,I3,)"), "1/ 1/ [x] 1/ 1I3.1");
}

TEST(LayoutCommas, RequiredBetweenOtherItems) {
  EXPECT_EQ(error_at("(I3 I4)"), "I4)");
  EXPECT_EQ(error_at("(2X3X)"), "3X)");
  EXPECT_EQ(error_at("(2(I3)I4)"), "I4)");
  EXPECT_EQ(error_at("(I3(I4))"), "(I4))");
  EXPECT_EQ(error_at("(I3,1PE10.3 F5.2)"), "F5.2)");
  // A blank does not separate digits: E10.3 2X reads as E10.32X.
  EXPECT_EQ(error_at("(I3,1PE10.3 2X)"), "X)");
  EXPECT_EQ(error_at("(I3,,I4)"), ",I4)");
  EXPECT_EQ(error_at("(,I4)"), ",I4)");
}

TEST(LayoutErrors, ReportTheRestOfTheText) {
  EXPECT_EQ(error_at("10X,20F1.0)"), "10X,20F1.0)");
  EXPECT_EQ(error_at("  (10X,K5)"), "K5)");
  EXPECT_EQ(error_at("(10X,20F1)"), "20F1)");
  EXPECT_EQ(error_at("(E10)"), "E10)");
  EXPECT_EQ(error_at("(G8)"), "G8)");
  EXPECT_EQ(error_at("(D10.)"), "D10.)");
  EXPECT_EQ(error_at("(I5.)"), "I5.)");
  EXPECT_EQ(error_at("(F.3)"), "F.3)");
  EXPECT_EQ(error_at("(10X,20F1.0"), "");
  EXPECT_EQ(error_at("(10X,(20F1.0)"), "");
  EXPECT_EQ(error_at("(-3X)"), "-3X)");
  EXPECT_EQ(error_at("(I3,+2I4)"), "+2I4)");
  EXPECT_EQ(error_at("(0I3)"), "0I3)");
  EXPECT_EQ(error_at("('abc)"), "'abc)");
  EXPECT_EQ(error_at("(5Habc)"), "5Habc)");
  EXPECT_EQ(error_at("(T)"), "T)");
  EXPECT_EQ(error_at("(P)"), "P)");
  EXPECT_EQ(error_at("(3)"), "3)");
  EXPECT_EQ(error_at(""), "");
  EXPECT_EQ(error_at("(K" + std::string(100, 'x') + ")"), "K" + std::string(79, 'x'));
  EXPECT_EQ(error_at("(I3) words after the layout"), "compiled");
}

}  // namespace
}  // namespace itemdif::textio
