// The command line's one option table: every option a command accepts is parsed
// by it and named in its help, and no command's help names an option it refuses.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "core/rules/rule_chain.h"

namespace tessarn::cli {
namespace {

std::vector<std::string> CommandWords(Command command) {
  std::vector<std::string> words = {"tessarn-cli"};
  const std::string name = CommandName(command);
  const std::size_t space = name.find(' ');
  words.push_back(name.substr(0, space));
  if (space != std::string::npos) words.push_back(name.substr(space + 1));
  return words;
}

// A value the option takes: the first of its choices, else a plain number.
std::string SomeValue(const CliOption& option) {
  const std::string value = option.value;
  if (value.find('|') != std::string::npos && value[0] >= 'a' && value[0] <= 'z')
    return value.substr(0, value.find('|'));
  return "1";
}

TEST(OptionTableTest, EveryOptionIsParsedAndDocumentedWhereItIsAccepted) {
  std::set<std::string> names;
  for (const CliOption& option : CliOptions()) {
    names.insert(option.name);
    ASSERT_NE(option.help, nullptr);
    EXPECT_STRNE(option.help, "") << option.name;
  }
  for (Command command : AllCommands()) {
    const std::string help = HelpText(command);
    for (const std::string& name : names) {
      const CliOption* accepted = nullptr;
      for (const CliOption& option : CliOptions())
        if (name == option.name && AcceptsOption(command, option)) accepted = &option;
      const std::string flag = "--" + name;
      std::vector<std::string> words = CommandWords(command);
      words.push_back(flag);
      if (accepted && accepted->value) words.push_back(SomeValue(*accepted));
      words.push_back("x");
      std::vector<const char*> argv;
      for (const std::string& w : words) argv.push_back(w.c_str());
      const ParseResult parsed = ParseArguments(static_cast<int>(argv.size()), argv.data());
      const bool refused = parsed.error.find("不接受选项 " + flag) != std::string::npos;
      EXPECT_EQ(refused, accepted == nullptr) << CommandName(command) << " " << flag << ": "
                                              << parsed.error;
      // Named in the help exactly when accepted: "--name" followed by a space or
      // the end of its line.
      const bool documented = help.find(flag + " ") != std::string::npos ||
                              help.find(flag + "\n") != std::string::npos;
      EXPECT_EQ(documented, accepted != nullptr) << CommandName(command) << " " << flag;
    }
  }
}

// Each rule option lands in its own step of a chain, and the page follows it.
TEST(OptionTableTest, ThenSplitsTheStepsOfAChain) {
  const char* argv[] = {"tessarn-cli", "preview", "--find", "a", "--then", "--name-case",
                        "lower",       "--then",  "--page", "numbering", "x"};
  const ParseResult parsed = ParseArguments(11, argv);
  ASSERT_EQ(parsed.error, "");
  ASSERT_NE(parsed.args.options.chain, nullptr);
  const auto& steps = parsed.args.options.chain->steps;
  ASSERT_EQ(steps.size(), 3u);
  EXPECT_EQ(steps[0].options.page, OptionPage::kReplace);
  EXPECT_EQ(steps[0].options.findText, "a");
  EXPECT_EQ(steps[1].options.page, OptionPage::kCase);
  EXPECT_EQ(steps[1].options.nameCase, CaseRule::kAllLower);
  EXPECT_EQ(steps[1].options.findText, "");
  EXPECT_EQ(steps[2].options.page, OptionPage::kNumbering);
}

}  // namespace
}  // namespace tessarn::cli
