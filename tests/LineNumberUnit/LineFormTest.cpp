// Number fields against glibc's printf, and the line forms read back what they write.
#include <cstdio>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "LineNumberUnit/LineForm.h"
#include "tests/LineNumberUnit/EngineOracles.h"

namespace {

using engine_oracle::Printable;

std::string Field(const TNumberPlan& Plan, int64_t Value) {
  std::string Out;
  AppendNumberField<char>(Plan, Value, Out);
  return Out;
}

// printf's "%*lld", "%-*lld" and "%0*lld" (with "+" for the plus sign) are the fields.
TEST(LineForm, FieldsAreWhatPrintfWrites) {
  std::mt19937 Random(5150);
  for (int I = 0; I < 20000; ++I) {
    TNumberPlan Plan;
    Plan.Align = static_cast<TFieldAlign>(Random() % 3);
    Plan.PlusSign = Random() % 4 == 0;
    Plan.Width = 1 + Random() % (I % 50 == 0 ? 90 : 12);
    const int64_t Value = static_cast<int64_t>(Random() % 2000) - 1000 +
                          (Random() % 8 == 0 ? static_cast<int64_t>(Random()) * 65536 : 0);
    const char* Flags[] = {"%", "%-", "%0"};
    const std::string Format = std::string(Flags[Plan.Align]) + (Plan.PlusSign ? "+" : "") + "*lld";
    char Expected[128];
    std::snprintf(Expected, sizeof Expected, Format.c_str(), static_cast<int>(Plan.Width),
                  static_cast<long long>(Value));
    // printf writes "+0"; a field writes zero unsigned, as the plug-in's "+" option does.
    std::string Want = Expected;
    if (Value == 0 && Plan.PlusSign) {
      std::snprintf(Expected, sizeof Expected, (std::string(Flags[Plan.Align]) + "*lld").c_str(),
                    static_cast<int>(Plan.Width), 0LL);
      Want = Expected;
    }
    ASSERT_EQ(Field(Plan, Value), Want)
        << "format " << Format << " width " << Plan.Width << " value " << Value;
  }
}

// Counting on in the cached field gives what writing each number afresh gives, in every
// alignment and across the widths where a number outgrows a fixed field.
TEST(LineForm, NumbererCountsOnAsFieldsAreWritten) {
  const std::u16string_view Separators[] = {u":", u"\t", u". ", u" | ", u""};
  for (int Align = faRight; Align <= faZero; ++Align) {
    for (const int64_t Width : {0, 1, 3, 6}) {
      for (const std::u16string_view Separator : Separators) {
        for (const int32_t Step : {1, 7, -3, 999}) {
          const TNumberField F{static_cast<TFieldAlign>(Align), Width, false};
          const TNumberPlan Plan = *PlanFieldNumbers(-20, Step, 0, F, Separator.size(), 3000);
          TLineNumberer<char16_t> Numberer(Plan, Separator);
          std::u16string Got, Want;
          for (uint64_t I = 0; I < 3000; ++I) {
            Numberer.Append(I, u"x\n", Got);
            AppendLineNumber<char16_t>(Plan, Plan.Value(I), Want, Separator);
            Want += u"x\n";
          }
          ASSERT_EQ(Got, Want) << "align " << Align << " width " << Width << " step " << Step
                               << " separator '" << Printable(Separator) << "'";
        }
      }
    }
  }
}

TEST(LineForm, CutsLinesInEachForm) {
  struct TRow {
    TFormKind Kind;
    std::u16string_view Line;
    bool Numbered;
    std::u16string_view Deleted;  // the line once its number is deleted
  };
  const TRow Rows[] = {
      {fkColon, u" 12:a:b\r\n", true, u"a:b\r\n"},
      {fkColon, u"1 2\t:x", true, u"x"},
      {fkColon, u"12a:x\n", false, u"12a:x\n"},
      {fkNl, u"     1\ta\n", true, u"a\n"},
      {fkNl, u"    -3\t\r\n", true, u"\r\n"},
      {fkNl, u"1     \tleft", true, u"left"},
      {fkNl, u"1234567\twider", true, u"wider"},
      {fkNl, u"     1 a", false, u"     1 a"},
      {fkNl, u"       \n", false, u"\n"},  // nl's unnumbered line, 6 + 1 blanks
      {fkNl, u"         x", false, u"  x"},
      {fkNl, u"      x", false, u"      x"},  // narrower than the blanks nl writes
      {fkList, u"  3) alpha\n", true, u"  alpha\n"},
      {fkList, u"10.\tx", true, u"x"},
      {fkList, u"1.\r\n", true, u"\r\n"},
      {fkList, u"7.", true, u""},
      {fkList, u"1.5 m\n", false, u"1.5 m\n"},
      {fkList, u"1234567890. x", false, u"1234567890. x"},
      {fkList, u"a1. x", false, u"a1. x"},
      {fkList, u"-1. x", false, u"-1. x"},
  };
  for (const TRow& Row : Rows) {
    const TFormReader<char16_t> Reader(Row.Kind, {u"\t", 1}, 7);
    const TLineCut<char16_t> Cut = Reader.Cut(Row.Line);
    std::u16string Deleted;
    AppendWithoutGap(Row.Line, NumberGap(Row.Line, Cut), Deleted);
    EXPECT_EQ(Cut.Numbered, Row.Numbered)
        << "form " << +Row.Kind << " '" << Printable(Row.Line) << "'";
    EXPECT_EQ(Deleted, Row.Deleted) << "form " << +Row.Kind << " '" << Printable(Row.Line) << "'";
  }
}

TEST(LineForm, DetectsTheFormAndHowItWasWritten) {
  struct TRow {
    std::u16string_view Line;
    std::optional<TFormKind> Kind;
    int32_t Number;
    TFieldAlign Align;
    int64_t Width;
    std::u16string_view Separator;
  };
  const TRow Rows[] = {
      {u" 9:a", fkColon, 0, faRight, 0, u""},
      {u"     1\t12:30", fkNl, 1, faRight, 6, u"\t"},
      {u"000042\tx", fkNl, 42, faZero, 6, u"\t"},
      {u"7     \tx", fkNl, 7, faLeft, 6, u"\t"},
      {u"    -2\tx", fkNl, -2, faRight, 6, u"\t"},
      {u"  3) alpha", fkList, 3, faRight, 1, u") "},
      {u"007.\tx", fkList, 7, faZero, 3, u".\t"},
      {u"1.", fkList, 1, faRight, 1, u"."},
      {u"no number", std::nullopt, 0, faRight, 0, u""},
      {u"\t5. x", fkList, 5, faRight, 1, u". "},
  };
  for (const TRow& Row : Rows) {
    const std::optional<TFormKind> Kind = DetectForm<char16_t>(Row.Line, u"\t");
    EXPECT_EQ(Kind, Row.Kind) << Printable(Row.Line);
    if (!Kind || *Kind == fkColon) continue;
    const TFormReader<char16_t> Reader(*Kind);
    const auto Form = ReadFormStart(Reader, Row.Line, Reader.Cut(Row.Line));
    ASSERT_TRUE(Form) << Printable(Row.Line);
    EXPECT_EQ(Form->Start.Number, Row.Number) << Printable(Row.Line);
    EXPECT_EQ(Form->Field.Align, Row.Align) << Printable(Row.Line);
    EXPECT_EQ(Form->Field.Width, Row.Width) << Printable(Row.Line);
    EXPECT_EQ(Form->Field.AfterIndent, *Kind == fkList) << Printable(Row.Line);
    EXPECT_EQ(Form->Separator, Row.Separator) << Printable(Row.Line);
  }
  // A number beyond 32 bits starts nothing.
  const TFormReader<char16_t> Nl(fkNl);
  EXPECT_FALSE(ReadFormStart<char16_t>(Nl, u"2147483648\tx", Nl.Cut(u"2147483648\tx")));
}

// Random texts numbered in nl's and the list form read back to themselves.
TEST(LineForm, DeletingReadsBackWhatNumberingWrote) {
  std::mt19937 Random(77);
  const std::u16string_view Separators[] = {u"\t", u":", u" | ", u"|"};
  static constexpr char16_t Alphabet[] = u"ab 1\t2.)x:\u3042-";
  for (int I = 0; I < 3000; ++I) {
    std::u16string Text;
    for (uint32_t L = Random() % 12; L > 0; --L) {
      for (uint32_t C = Random() % 8; C > 0; --C)
        Text += Alphabet[Random() % (std::size(Alphabet) - 1)];
      Text += Random() % 3 == 0 ? u"\r\n" : u"\n";
    }
    const bool List = I % 2 == 1;
    const std::u16string_view Separator =
        List ? (I % 4 == 1 ? u". " : u")\t") : Separators[Random() % 4];
    const int64_t Width = List ? 1 : static_cast<int64_t>(1 + Random() % 7);
    TNumberField F{List ? faRight : static_cast<TFieldAlign>(Random() % 3), Width, List};
    const int32_t Start =
        List ? static_cast<int32_t>(Random() % 50) : static_cast<int32_t>(Random() % 200) - 100;
    const TNumberPlan Plan = *PlanFieldNumbers(Start, static_cast<int32_t>(1 + Random() % 3), 0, F,
                                               Separator.size(), 12);
    TLineNumberer<char16_t> Numberer(Plan, Separator);
    std::u16string Numbered;
    uint64_t K = 0;
    ForEachLine<char16_t>(Text, true,
                          [&](std::u16string_view Line) { Numberer.Append(K++, Line, Numbered); });
    const TFormReader<char16_t> Reader(List ? fkList : fkNl, List ? u"\t" : Separator);
    EXPECT_EQ(DeleteFormNumbers<char16_t>(Numbered, Reader), Text)
        << "case " << I << " numbered '" << Printable(Numbered) << "'";
  }
}

// The field test that reads eight bytes at once agrees with the plain loop, on fields of
// blanks, digits and the bytes either side of them ('/', ':', '!', high bytes).
TEST(LineForm, WideFieldTestAgreesWithTheLoop) {
  const std::string Bytes = std::string("  0123456789/:!\x1F\xFA\xFF\xB0\x80", 20);
  std::mt19937 Rng(11);
  for (int Case = 0; Case < 200000; ++Case) {
    char Field[8];
    for (char& C : Field) C = Rng() % 2 != 0 ? Bytes[Rng() % 12] : Bytes[Rng() % Bytes.size()];
    const size_t Width = 1 + Rng() % 8;
    ASSERT_EQ(line_form_detail::BlanksThenDigits8(Field, Width),
              line_form_detail::BlanksThenDigits(Field, Width))
        << testing::PrintToString(std::string(Field, Width));
  }
}

// A list item read eight bytes at a time, from a padded buffer, is cut as the plain loop cuts
// it, whatever follows the line there (more digits among them).
TEST(LineForm, ListCutFromAPaddedBufferAgreesWithTheLoop) {
  const std::string_view Units = "0123456789 \t.)x\n\xFA\xB0";
  std::mt19937 Rng(5);
  for (int Case = 0; Case < 200000; ++Case) {
    char Buffer[32];
    for (char& C : Buffer) C = Rng() % 3 != 0 ? Units[Rng() % 10] : Units[Rng() % Units.size()];
    const std::string_view Line(Buffer, Rng() % 17);
    const TLineCut<char> Fast = TFormReader<char>::CutList(Line, 16);
    const TLineCut<char> Plain = TFormReader<char>::CutList(Line);
    ASSERT_EQ(Fast.Numbered, Plain.Numbered) << testing::PrintToString(std::string(Line));
    ASSERT_EQ(Fast.Head, Plain.Head);
    ASSERT_EQ(Fast.Rest, Plain.Rest);
    ASSERT_EQ(Fast.From, Plain.From);
  }
}

}  // namespace
