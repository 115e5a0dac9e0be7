#include "net/nw_header_list.h"

#include "net/nw_text.h"

namespace vantora {

namespace {

bool IsContinuation(const std::string& line) { return !line.empty() && (line[0] == ' ' || line[0] == '\t'); }

}  // namespace

std::size_t TNwHeaderList::FindName(std::string_view name, std::size_t from) const {
  for (std::size_t i = from; i < lines_.size(); ++i) {
    if (IsContinuation(lines_[i])) continue;
    const std::size_t colon = lines_[i].find(':');
    if (colon == std::string::npos) continue;
    if (SameText(Trim(std::string_view(lines_[i]).substr(0, colon)), Trim(name))) return i;
  }
  return lines_.size();
}

std::size_t TNwHeaderList::ContinuationEnd(std::size_t index) const {
  std::size_t end = index + 1;
  while (end < lines_.size() && IsContinuation(lines_[end])) ++end;
  return end;
}

std::string TNwHeaderList::JoinedValue(std::size_t index) const {
  const std::string& line = lines_[index];
  std::string value = Trim(std::string_view(line).substr(line.find(':') + 1));
  for (std::size_t i = index + 1; i < ContinuationEnd(index); ++i) value += " " + Trim(lines_[i]);
  return value;
}

std::string TNwHeaderList::Values(std::string_view name) const {
  const std::size_t i = FindName(name, 0);
  return i < lines_.size() ? JoinedValue(i) : std::string();
}

std::vector<std::string> TNwHeaderList::AllValues(std::string_view name) const {
  std::vector<std::string> out;
  for (std::size_t i = FindName(name, 0); i < lines_.size(); i = FindName(name, i + 1)) {
    out.push_back(JoinedValue(i));
  }
  return out;
}

void TNwHeaderList::SetValue(std::string_view name, const std::string& value) {
  const std::size_t i = FindName(name, 0);
  std::vector<std::string> replacement;
  if (!value.empty()) replacement = FoldHeaderLine(std::string(name) + ": " + value, fold_length_);
  if (i == lines_.size()) {
    lines_.insert(lines_.end(), replacement.begin(), replacement.end());
    return;
  }
  const std::size_t end = ContinuationEnd(i);
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i), lines_.begin() + static_cast<std::ptrdiff_t>(end));
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(i), replacement.begin(), replacement.end());
}

std::vector<std::string> FoldHeaderLine(const std::string& line, std::size_t fold_length) {
  std::vector<std::string> out;
  std::string rest = line;
  while (fold_length > 0 && rest.size() > fold_length) {
    std::size_t cut = rest.find_last_of(" \t", fold_length);
    // The first byte of a continuation is its leading space: never cut there.
    if (cut == 0 || cut == std::string::npos) cut = rest.find_first_of(" \t", fold_length);
    if (cut == std::string::npos || cut == 0) break;
    out.push_back(rest.substr(0, cut));
    std::size_t from = rest.find_first_not_of(" \t", cut);
    rest = " " + (from == std::string::npos ? std::string() : rest.substr(from));
  }
  out.push_back(rest);
  return out;
}

}  // namespace vantora
