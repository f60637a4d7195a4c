#pragma once
// A POSIX basic regular expression matcher of our own, for systems without GNU regex
// (Windows): GNU's BRE syntax as nl compiles it (\+ \? \| \{m,n\} back-references, \w \s \<
// \> \b \B, "a**" and "[b-a]" accepted), searched for anywhere in a text by backtracking.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TBre {
 public:
  // Compile() — Pattern as UTF-8 (Utf8) or as single bytes; false with Error set to GNU
  // regex's wording of the fault ("Unmatched ( or \\(").
  [[nodiscard]] bool Compile(std::string_view Pattern, bool Utf8, std::string& Error);
  // Search() — whether some part of Text matches. Search("xaby") for "a\\+b" is true.
  [[nodiscard]] bool Search(std::string_view Text) const;

  // The compiled form, which NlBre.cpp's parser and code generator build.
  enum TOp : uint8_t;
  struct TInst {
    TOp Op;
    int32_t A = 0;
    int32_t B = 0;
    char32_t Code = 0;  // opChar: the character; opSplit: its number, for the memo
  };
  struct TSet {
    bool Negated = false;
    std::vector<char32_t> Ranges;  // pairs: first, last
    std::vector<uint8_t> Classes;  // TClass values
  };

 private:
  struct TUnit {
    char32_t Code;
    uint32_t Length;
  };
  [[nodiscard]] TUnit UnitAt(std::string_view Text, size_t Pos) const;
  [[nodiscard]] bool WordBefore(std::string_view Text, size_t Pos) const;
  [[nodiscard]] bool Holds(int32_t Assertion, std::string_view Text, size_t Pos) const;
  // Runs the program from Pc at Pos until it fails (alternatives wait on FScratch.Stack) or
  // matches.
  [[nodiscard]] bool Run(int32_t Pc, size_t Pos, std::string_view Text) const;

  // A resumption point (Pc >= 0), or the old value of a capture (-1) or mark (-2) to restore.
  struct TEntry {
    int32_t Pc;
    int32_t Slot;
    size_t Pos;
  };
  // Search()'s working memory, kept from line to line.
  struct TScratch {
    std::vector<size_t> Captures;
    std::vector<size_t> Marks;
    std::vector<uint64_t> Visited;
    std::vector<TEntry> Stack;
  };

  std::vector<TInst> FProgram;
  std::vector<TSet> FSets;
  int32_t FGroups = 0;
  int32_t FMarks = 0;
  int32_t FSplits = 0;
  bool FBackrefs = false;
  bool FUtf8 = true;
  mutable TScratch FScratch;
};
