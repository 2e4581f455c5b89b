#include "engine/edit/cut_list.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace cw {

namespace {

constexpr std::string_view kBlanks = " \t\r";

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The words of a line up to its comment, split at blanks.
std::vector<std::string_view> wordsOf(std::string_view line) {
  line = line.substr(0, line.find('#'));
  std::vector<std::string_view> words;
  while (true) {
    const std::size_t start = line.find_first_not_of(kBlanks);
    if (start == std::string_view::npos) return words;
    line.remove_prefix(start);
    const std::size_t end = std::min(line.find_first_of(kBlanks), line.size());
    words.push_back(line.substr(0, end));
    line.remove_prefix(end);
  }
}

// A plain decimal number without sign, exponent or other letters: what a
// list holds, and nothing that strtod would also take ("inf", "0x1p3").
bool parseDecimal(std::string_view text, double& value) {
  if (text.empty() || text.size() > 32) return false;
  int digits = 0;
  int points = 0;
  for (const char c : text) {
    if (c >= '0' && c <= '9')
      ++digits;
    else if (c == '.')
      ++points;
    else
      return false;
  }
  if (digits == 0 || points > 1) return false;
  const std::string copy(text);
  value = std::strtod(copy.c_str(), nullptr);
  return std::isfinite(value);
}

bool parseWhole(std::string_view text, int& value) {
  if (text.empty() || text.size() > 6) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

bool parseStretchWords(std::string_view startText, std::string_view endText, Stretch& stretch,
                       std::string& reason) {
  Stretch s;
  if (!parseCutTime(startText, s.start)) {
    reason = "'" + std::string(startText) + "' is no time";
    return false;
  }
  if (!parseCutTime(endText, s.end)) {
    reason = "'" + std::string(endText) + "' is no time";
    return false;
  }
  if (s.end <= s.start) {
    reason =
        "the end " + std::string(endText) + " is not after the start " + std::string(startText);
    return false;
  }
  stretch = s;
  return true;
}

// Reads every line that has words; `readLine` turns one line's words into
// a stretch or sets the reason; `counts` false drops the line's stretch.
template <typename ReadLine>
bool parseLines(std::string_view text, std::vector<Stretch>& stretches, CutListProblem& problem,
                ReadLine readLine) {
  std::vector<Stretch> read;
  int number = 0;
  while (!text.empty()) {
    ++number;
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::vector<std::string_view> words = wordsOf(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
    if (words.empty()) continue;
    Stretch stretch;
    bool counts = true;
    std::string reason;
    if (!readLine(words, stretch, counts, reason)) {
      problem = {number, reason};
      return false;
    }
    if (counts) read.push_back(stretch);
  }
  stretches = std::move(read);
  return true;
}

}  // namespace

bool parseCutTime(std::string_view text, double& seconds) {
  text = trimmed(text);
  // Up to two "NN:" fields before the seconds: hours and minutes, or minutes.
  double total = 0.0;
  int fields = 0;
  for (std::size_t colon = text.find(':'); colon != std::string_view::npos;
       colon = text.find(':')) {
    int value = 0;
    if (++fields > 2 || !parseWhole(text.substr(0, colon), value)) return false;
    // The hours of HH:MM:SS may be any number; minutes are below 60.
    const bool hours = fields == 1 && std::count(text.begin(), text.end(), ':') == 2;
    if (!hours && value >= 60) return false;
    total = total * 60.0 + value;
    text.remove_prefix(colon + 1);
  }
  double rest = 0.0;
  if (!parseDecimal(text, rest) || (fields > 0 && rest >= 60.0)) return false;
  seconds = total * 60.0 + rest;
  return true;
}

bool parseStretch(std::string_view text, Stretch& stretch) {
  const std::size_t dash = text.find('-');
  if (dash == std::string_view::npos) return false;
  std::string reason;
  return parseStretchWords(trimmed(text.substr(0, dash)), trimmed(text.substr(dash + 1)), stretch,
                           reason);
}

bool parseKeepList(std::string_view text, std::vector<Stretch>& stretches,
                   CutListProblem& problem) {
  return parseLines(
      text, stretches, problem,
      [](const std::vector<std::string_view>& words, Stretch& stretch, bool&, std::string& reason) {
        if (words.size() != 2) {
          reason = "a line holds START END, two times";
          return false;
        }
        return parseStretchWords(words[0], words[1], stretch, reason);
      });
}

bool parseEditDecisionList(std::string_view text, std::vector<Stretch>& cuts,
                           CutListProblem& problem) {
  return parseLines(text, cuts, problem,
                    [](const std::vector<std::string_view>& words, Stretch& stretch, bool& counts,
                       std::string& reason) {
                      int action = 0;
                      if (words.size() != 3 || !parseWhole(words[2], action)) {
                        reason = "a line holds START END ACTION, two times and a number";
                        return false;
                      }
                      counts = action == 0 || action == 3;
                      return parseStretchWords(words[0], words[1], stretch, reason);
                    });
}

std::vector<Stretch> keptBetween(std::vector<Stretch> cuts, double length) {
  std::sort(cuts.begin(), cuts.end(),
            [](const Stretch& a, const Stretch& b) { return a.start < b.start; });
  std::vector<Stretch> kept;
  double from = 0.0;
  for (const Stretch& cut : cuts) {
    if (cut.start >= length) break;
    if (cut.start > from) kept.push_back({from, cut.start});
    from = std::max(from, cut.end);
  }
  if (from < length) kept.push_back({from, length});
  return kept;
}

}  // namespace cw
