#pragma once

#include <optional>
#include <ostream>

namespace vantora {

// The station takes no command line of its own, but an installed program
// answers the two questions every command answers: "--help" (what it is, the
// environment it reads, where it keeps things) and "--version". Returns the
// exit status when the first argument is one of them, nullopt otherwise;
// every other argument is left to Qt.
std::optional<int> AnswerInformationOption(int argc, const char* const* argv, std::ostream& out);

}  // namespace vantora
