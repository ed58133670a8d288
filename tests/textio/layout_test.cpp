// The layout compiler: the item notation, the comma rules, groups and syntax errors.
#include "textio/layout.hpp"

#include <gtest/gtest.h>

#include "textio/errors.hpp"

namespace itemdif::textio {
namespace {

std::vector<LayoutItem> items(std::string_view text) { return Layout::compile(text).items(); }

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

TEST(LayoutNotation, LiteralsInBothQuotes) {
  auto it = items(R"(('It''s',"say ""hi""",'',3HA'B))");
  ASSERT_EQ(it.size(), 4u);
  EXPECT_EQ(it[0].kind, ItemKind::literal);
  EXPECT_EQ(it[0].text, "It's");
  EXPECT_EQ(it[1].text, "say \"hi\"");
  EXPECT_EQ(it[2].text, "");
  EXPECT_EQ(it[3].kind, ItemKind::literal);
  EXPECT_EQ(it[3].text, "A'B");
}

TEST(LayoutNotation, LiteralsKeepBlanksAndCase) {
  auto it = items("( ' a  b ' , 4h x y)");
  ASSERT_EQ(it.size(), 2u);
  EXPECT_EQ(it[0].text, " a  b ");
  EXPECT_EQ(it[1].text, " x y");
}

TEST(LayoutNotation, Movements) {
  auto it = items("(3X,X,T12,TL4,TR 2,2/,/,:,$,\\)");
  ASSERT_EQ(it.size(), 10u);
  EXPECT_EQ(it[0].kind, ItemKind::skip_right);
  EXPECT_EQ(it[0].count, 3);
  EXPECT_EQ(it[1].kind, ItemKind::skip_right);
  EXPECT_EQ(it[1].count, 1);
  EXPECT_EQ(it[2].kind, ItemKind::tab);
  EXPECT_EQ(it[2].count, 12);
  EXPECT_EQ(it[3].kind, ItemKind::skip_left);
  EXPECT_EQ(it[3].count, 4);
  EXPECT_EQ(it[4].kind, ItemKind::skip_right);
  EXPECT_EQ(it[4].count, 2);
  EXPECT_EQ(it[5].kind, ItemKind::slash);
  EXPECT_EQ(it[5].repeat, 2);
  EXPECT_EQ(it[6].repeat, 1);
  EXPECT_EQ(it[7].kind, ItemKind::colon);
  EXPECT_EQ(it[8].kind, ItemKind::no_line_end);
  EXPECT_EQ(it[9].kind, ItemKind::no_line_end);
}

TEST(LayoutNotation, ModesAndScaleFactors) {
  auto it = items("(1P,-2PE10.3,+3P,BN,BZ,S,SP,SS)");
  ASSERT_EQ(it.size(), 9u);
  EXPECT_EQ(it[0].kind, ItemKind::scale);
  EXPECT_EQ(it[0].count, 1);
  EXPECT_EQ(it[1].count, -2);
  EXPECT_EQ(it[2].kind, ItemKind::exponent);
  EXPECT_EQ(it[3].count, 3);
  EXPECT_EQ(it[4].kind, ItemKind::blank_null);
  EXPECT_EQ(it[5].kind, ItemKind::blank_zero);
  EXPECT_EQ(it[6].kind, ItemKind::sign_default);
  EXPECT_EQ(it[7].kind, ItemKind::sign_plus);
  EXPECT_EQ(it[8].kind, ItemKind::sign_suppress);
}

TEST(LayoutNotation, FieldsWithRepeatWidthAndDigits) {
  auto it = items("(3I5,I4.2,F10.6,2E14.6,E12.4E3,D24.15,G10.3E2,EN12.3,ES11.4,A,4A1,L2,O6.3,Z4,B8,Q)");
  ASSERT_EQ(it.size(), 16u);
  EXPECT_EQ(it[0].kind, ItemKind::integer);
  EXPECT_EQ(it[0].repeat, 3);
  EXPECT_EQ(it[0].width, 5);
  EXPECT_EQ(it[0].digits, 1);
  EXPECT_EQ(it[1].digits, 2);
  EXPECT_EQ(it[2].kind, ItemKind::fixed);
  EXPECT_EQ(it[2].width, 10);
  EXPECT_EQ(it[2].digits, 6);
  EXPECT_EQ(it[3].repeat, 2);
  EXPECT_EQ(it[3].exponent_digits, -1);
  EXPECT_EQ(it[4].exponent_digits, 3);
  EXPECT_EQ(it[5].kind, ItemKind::double_exp);
  EXPECT_EQ(it[5].digits, 15);
  EXPECT_EQ(it[6].kind, ItemKind::general);
  EXPECT_EQ(it[6].exponent_digits, 2);
  EXPECT_EQ(it[7].kind, ItemKind::engineering);
  EXPECT_EQ(it[8].kind, ItemKind::scientific);
  EXPECT_EQ(it[9].kind, ItemKind::alpha);
  EXPECT_EQ(it[9].width, -1);
  EXPECT_EQ(it[10].repeat, 4);
  EXPECT_EQ(it[10].width, 1);
  EXPECT_EQ(it[11].kind, ItemKind::logical);
  EXPECT_EQ(it[12].kind, ItemKind::octal);
  EXPECT_EQ(it[12].digits, 3);
  EXPECT_EQ(it[13].kind, ItemKind::hex);
  EXPECT_EQ(it[14].kind, ItemKind::binary);
  EXPECT_EQ(it[15].kind, ItemKind::query);
  for (const auto& item : it) EXPECT_TRUE(item.is_field());
}

TEST(LayoutNotation, BlanksAndLowerCase) {
  auto a = items("( 1 0 x , 2 0 f 1 . 0 , t r 3 , a 8 )");
  ASSERT_EQ(a.size(), 4u);
  EXPECT_EQ(a[0].kind, ItemKind::skip_right);
  EXPECT_EQ(a[0].count, 10);
  EXPECT_EQ(a[1].kind, ItemKind::fixed);
  EXPECT_EQ(a[1].repeat, 20);
  EXPECT_EQ(a[1].width, 1);
  EXPECT_EQ(a[1].digits, 0);
  EXPECT_EQ(a[2].kind, ItemKind::skip_right);
  EXPECT_EQ(a[3].width, 8);
}

TEST(LayoutNotation, GroupsAndPartners) {
  Layout layout = Layout::compile("(A20,4(F10.6,3X))");
  const auto& it = layout.items();
  ASSERT_EQ(it.size(), 5u);
  EXPECT_EQ(it[1].kind, ItemKind::group_open);
  EXPECT_EQ(it[1].repeat, 4);
  EXPECT_EQ(it[1].partner, 4);
  EXPECT_EQ(it[4].kind, ItemKind::group_close);
  EXPECT_EQ(it[4].partner, 1);
  EXPECT_EQ(layout.reversion_start(), 1u);
  EXPECT_TRUE(layout.has_field());
}

TEST(LayoutNotation, ReversionIsTheLastGroupOpenedAtTheOuterLevel) {
  EXPECT_EQ(Layout::compile("(I3,2(I2,3(I1)),I4,(I5),I6)").reversion_start(), 8u);
  EXPECT_EQ(Layout::compile("(I3,2(I2,3(I1)),I4)").reversion_start(), 1u);
  EXPECT_EQ(Layout::compile("(1X,999I5)").reversion_start(), 0u);
  EXPECT_FALSE(Layout::compile("(/,'x',2X)").has_field());
  EXPECT_TRUE(Layout::compile("()").items().empty());
}

TEST(LayoutNotation, SevenNestedGroupsAreAllowed) {
  EXPECT_EQ(items("(((((((( I1 ))))))))").size(), 15u);
  EXPECT_EQ(error_at("(((((((((I1)))))))))"), "(I1)))))))))");
}

TEST(LayoutCommas, MayBeLeftOutAroundSlashColonLiteralsAndAfterScale) {
  EXPECT_EQ(items("(I3/I4)").size(), 3u);
  EXPECT_EQ(items("(I3:I4)").size(), 3u);
  EXPECT_EQ(items("('a'I3'b'2HcdI2)").size(), 5u);
  EXPECT_EQ(items("(1PE14.6)").size(), 2u);
  EXPECT_EQ(items("(1P2E14.6)").size(), 2u);
  EXPECT_EQ(items("(//'x'/)").size(), 4u);
  EXPECT_EQ(items("(I3,)").size(), 1u);
}

TEST(LayoutCommas, RequiredBetweenOtherItems) {
  EXPECT_EQ(error_at("(I3 I4)"), "I4)");
  EXPECT_EQ(error_at("(2X3X)"), "3X)");
  EXPECT_EQ(error_at("(2(I3)I4)"), "I4)");
  EXPECT_EQ(error_at("(I3(I4))"), "(I4))");
  EXPECT_EQ(error_at("(I3,1PE10.3 F5.2)"), "F5.2)");
  // Blanks are insignificant, so a blank does not separate digits: E10.3 2X reads as E10.32X.
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
}

TEST(LayoutErrors, ContextIsAtMostEightyCharacters) {
  std::string text = "(K" + std::string(100, 'x') + ")";
  EXPECT_EQ(error_at(text), "K" + std::string(79, 'x'));
}

TEST(LayoutErrors, TextAfterTheLayoutIsIgnored) {
  EXPECT_EQ(items("(I3) trailing words").size(), 1u);
}

}  // namespace
}  // namespace itemdif::textio
