#pragma once
// A POSIX basic regular expression matcher of our own, for systems without GNU regex
// GNU's BRE syntax as nl compiles it (\+ \? \| \{m,n\} back-references, \w \s \< \> \b \B,
// "a**" and "[b-a]" accepted, ranges by code point), searched for anywhere in a text. Without
// back-references the search runs all alternatives side by side (time pattern x text, memory
// pattern); with them it backtracks within a bound on its work.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TBre {
 public:
  // Compile() — Pattern as UTF-8 (Utf8) or as single bytes; false with Error set to GNU
  // regex's wording of the fault ("Unmatched ( or \\(").
  [[nodiscard]] bool Compile(std::string_view Pattern, bool Utf8, std::string& Error);
  // Search() — whether some part of Text matches. Search("xaby") for "a\\+b" is true. Throws
  // std::runtime_error when back-references would need more steps or memory than the bound.
  [[nodiscard]] bool Search(std::string_view Text) const;

  // Groups may nest this deep, and repetitions stack this high, so that compiling stays
  // within any stack; deeper is "Regular expression too big".
  static constexpr int MaxNesting = 1000;
  // What Search() says when back-references need more than the bound.
  static constexpr const char* TooMuchWork = "its back-references need too much work on this line";

  // The compiled form, which NlBre.cpp's parser and code generator build.
  enum TOp : uint8_t;
  struct TInst {
    TOp Op;
    int32_t A = 0;
    int32_t B = 0;
    char32_t Code = 0;  // opChar: the character
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
  // Whether the character instruction I (opChar, opAny, opSet) takes Code.
  [[nodiscard]] bool Takes(const TInst& I, char32_t Code) const;
  // Fills FFirst from the instructions a match can start at.
  void FindFirstBytes();
  // The position from Pos on where a match may start.
  [[nodiscard]] size_t SkipToStart(std::string_view Text, size_t Pos) const;
  // The search without back-references: the threads at each position, as program counters.
  [[nodiscard]] bool RunThreads(std::string_view Text) const;
  // Adds Pc and what it leads to without taking a character to FScratch.Next; true on a match.
  [[nodiscard]] bool AddThread(int32_t Pc, size_t Pos, std::string_view Text) const;
  // The search with back-references, by backtracking.
  [[nodiscard]] bool Backtrack(std::string_view Text) const;
  // Runs the program from Pc at Pos until it fails (alternatives wait on FScratch.Stack) or
  // matches; Steps counts down the work left.
  [[nodiscard]] bool Run(int32_t Pc, size_t Pos, std::string_view Text, uint64_t& Steps) const;

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
    std::vector<TEntry> Stack;
    std::vector<int32_t> Current;  // threads waiting for the character at the position
    std::vector<int32_t> Next;
    std::vector<int32_t> Pending;  // AddThread()'s work list
    std::vector<uint32_t> Seen;    // by instruction: the generation that last added it
    uint32_t Generation = 0;
  };

  std::vector<TInst> FProgram;
  std::vector<TSet> FSets;
  int32_t FGroups = 0;
  int32_t FMarks = 0;
  bool FBackrefs = false;
  // The bytes a match can start with, where a character starts (as a superset: anchors are
  // not looked at); the search skips the others while no thread is alive.
  bool FFirst[256] = {};
  int FFirstCount = 0;
  bool FUtf8 = true;
  mutable TScratch FScratch;
};
