// The cases every implementation of the platform's canonical decomposition must agree on: pairs
// of texts that are or are not canonically equivalent, and decompositions to the exact bytes.
// The same table runs against utf8proc on the simulated desktop and Core Foundation on macOS,
// so that a blocked field matches the same values wherever the library runs.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/unicode.h"
#include "tracker/canonical_equivalence.h"

namespace axb::testing {

using namespace std::string_view_literals;

struct EquivalenceCase {
  const char* what;
  std::string_view a;
  std::string_view b;
  bool equivalent;
};

// Each pair is checked both ways round.
inline constexpr EquivalenceCase kEquivalenceCases[] = {
    {"the same text", "Caf\xC3\xA9", "Caf\xC3\xA9", true},
    {"two empty texts", "", "", true},
    {"precomposed (NFC) and decomposed (NFD) e acute", "Caf\xC3\xA9", "Cafe\xCC\x81", true},
    {"a letter with two marks, precomposed and decomposed", "\xE1\xBB\x87",  // U+1EC7
     "e\xCC\xA3\xCC\x82", true},
    {"marks of different classes in either order", "a\xCC\xA3\xCC\x81", "a\xCC\x81\xCC\xA3", true},
    {"marks of the same class in either order", "a\xCC\x81\xCC\x80", "a\xCC\x80\xCC\x81", false},
    {"Hangul syllable with a final and its conjoining jamo", "\xED\x95\x9C",  // U+D55C
     "\xE1\x84\x92\xE1\x85\xA1\xE1\x86\xAB", true},
    {"Hangul syllable without a final and its conjoining jamo", "\xEA\xB0\x80",  // U+AC00
     "\xE1\x84\x80\xE1\x85\xA1", true},
    {"ANGSTROM SIGN and A with ring above", "\xE2\x84\xAB", "\xC3\x85", true},
    {"ANGSTROM SIGN and A with a combining ring", "\xE2\x84\xAB", "A\xCC\x8A", true},
    {"OHM SIGN and GREEK CAPITAL LETTER OMEGA", "\xE2\x84\xA6", "\xCE\xA9", true},
    {"KELVIN SIGN and K", "\xE2\x84\xAA", "K", true},
    {"a CJK compatibility ideograph and its unified ideograph", "\xEF\xA4\x80",  // U+F900
     "\xE8\xB1\x88", true},
    {"Greek iota with dialytika and tonos, precomposed and decomposed", "\xCE\x90",
     "\xCE\xB9\xCC\x88\xCC\x81", true},
    {"a character beyond the Basic Multilingual Plane and its decomposition", "\xF0\x9D\x85\x9E",
     "\xF0\x9D\x85\x97\xF0\x9D\x85\xA5", true},  // U+1D15E
    {"an embedded NUL before equivalent text", "a\0\xC3\xA9"sv, "a\0e\xCC\x81"sv, true},
    // Compatibility equivalents only: the user's value must be what the field shows.
    {"the fi ligature and the letters f i", "\xEF\xAC\x81", "fi", false},
    {"FULLWIDTH LATIN CAPITAL LETTER A and A", "\xEF\xBC\xA1", "A", false},
    {"SUPERSCRIPT TWO and 2", "\xC2\xB2", "2", false},
    {"NO-BREAK SPACE and space", "\xC2\xA0", " ", false},
    // Case matters.
    {"lower and upper case, precomposed", "caf\xC3\xA9", "CAF\xC3\x89", false},
    {"lower and upper case, decomposed", "e\xCC\x81", "E\xCC\x81", false},
    {"a different base letter under the same mark", "e\xCC\x81", "a\xCC\x81", false},
    // Ill-formed UTF-8 matches nothing but the very same bytes.
    {"the same ill-formed bytes", "a\xFF", "a\xFF", true},
    {"ill-formed bytes and the replacement character", "a\xFF", "a\xEF\xBF\xBD", false},
    {"two different ill-formed texts", "a\xFF", "a\xFE", false},
    {"ill-formed bytes after equivalent text", "Caf\xC3\xA9\xFF", "Cafe\xCC\x81\xFF", false},
    {"an encoded surrogate and the same bytes", "\xED\xA0\x80", "\xED\xA0\x80", true},
    {"an encoded surrogate and the replacement character", "\xED\xA0\x80", "\xEF\xBF\xBD", false},
    {"an overlong encoding of / and /", "\xC0\xAF", "/", false},
    {"a truncated sequence and the complete character", "\xC3", "\xC3\xA9", false},
};

struct DecompositionCase {
  const char* what;
  std::string_view text;
  std::optional<std::string_view> decomposed;  // nothing: the text is not well-formed UTF-8
};

inline constexpr DecompositionCase kDecompositionCases[] = {
    {"empty text", "", ""},
    {"ASCII stays", "plain text", "plain text"},
    {"e acute", "Caf\xC3\xA9", "Cafe\xCC\x81"},
    {"marks in canonical order", "a\xCC\x81\xCC\xA3", "a\xCC\xA3\xCC\x81"},
    {"Hangul syllable", "\xED\x95\x9C", "\xE1\x84\x92\xE1\x85\xA1\xE1\x86\xAB"},
    {"ANGSTROM SIGN", "\xE2\x84\xAB", "A\xCC\x8A"},
    {"OHM SIGN", "\xE2\x84\xA6", "\xCE\xA9"},
    {"the fi ligature stays", "\xEF\xAC\x81", "\xEF\xAC\x81"},
    {"an emoji stays", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
    {"the replacement character stays", "\xEF\xBF\xBD", "\xEF\xBF\xBD"},
    {"an embedded NUL stays", "\0\xC3\xA9"sv, "\0e\xCC\x81"sv},
    {"a stray continuation byte", "a\x80", std::nullopt},
    {"an encoded surrogate", "\xED\xA0\x80", std::nullopt},
    {"a code point above U+10FFFF", "\xF4\x90\x80\x80", std::nullopt},
    {"a truncated sequence at the end", "caf\xC3", std::nullopt},
};

// Runs both tables against the platform this test binary is built for.
inline void expectEquivalenceTableHolds() {
  for (const EquivalenceCase& c : kEquivalenceCases) {
    EXPECT_EQ(tracker::canonicallyEquivalent(c.a, c.b), c.equivalent) << c.what;
    EXPECT_EQ(tracker::canonicallyEquivalent(c.b, c.a), c.equivalent) << c.what << ", reversed";
  }
}

inline void expectDecompositionTableHolds() {
  for (const DecompositionCase& c : kDecompositionCases) {
    const std::optional<std::string> decomposed = platform::canonicalDecomposition(c.text);
    EXPECT_EQ(decomposed.has_value(), c.decomposed.has_value()) << c.what;
    if (decomposed && c.decomposed) {
      EXPECT_EQ(*decomposed, *c.decomposed) << c.what;
    }
  }
}

}  // namespace axb::testing
