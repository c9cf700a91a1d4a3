// The command line of duvra-cli, read against the command table: every
// check below runs over every command and option of the table, so an option
// added to it is covered without a new test.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "cli/cli.h"

namespace duvra::cli {
namespace {

using Strings = std::vector<std::string>;

// The positional arguments a command needs, named after a database that
// does not exist: a command that ran by mistake would fail with status 1.
Strings Positionals(const Command& c) {
  Strings args;
  for (size_t i = 0; i < c.positional.size(); ++i) args.push_back("nothere" + std::to_string(i));
  return args;
}

Strings With(Strings args, const Strings& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

// Values each kind must take, with the value the command reads back.
std::vector<std::pair<std::string, std::string>> GoodValues(const Option& o) {
  switch (o.kind) {
    case ValueKind::kSwitch:
      return {};
    case ValueKind::kBool:
      return {{"on", "on"},   {"1", "on"},  {"yes", "on"},
              {"off", "off"}, {"0", "off"}, {"no", "off"}};
    case ValueKind::kWord: {
      std::vector<std::pair<std::string, std::string>> values;
      for (const std::string& c : o.choices) values.emplace_back(c, c);
      return values;
    }
    case ValueKind::kNumber: {
      if (o.choices.empty()) return {{"0", "0"}, {"1000", "1000"}, {"030", "30"}, {"+7", "7"}};
      std::vector<std::pair<std::string, std::string>> values;
      for (const std::string& c : o.choices) values.emplace_back(c, c);
      values.emplace_back("0" + o.choices.back(), o.choices.back());
      return values;
    }
    case ValueKind::kText: {
      std::vector<std::pair<std::string, std::string>> values = {
          {"plain", "plain"}, {"two words", "two words"}, {"a=b", "a=b"}, {"-x", "-x"}};
      if (!o.non_empty) values.emplace_back("", "");
      return values;
    }
  }
  return {};
}

struct Outcome {
  int status;
  std::string out, err;
};

Outcome RunCli(const Strings& args) {
  std::ostringstream out, err;
  const int status = RunProgram(args, out, err);
  return {status, out.str(), err.str()};
}

TEST(CliTableTest, NamesAreUniqueAndEveryOptionIsDescribed) {
  std::set<std::string> commands;
  for (const Command& c : Commands()) {
    EXPECT_TRUE(commands.insert(c.name).second) << "command " << c.name << " twice";
    EXPECT_FALSE(c.summary.empty()) << c.name;
    std::set<std::string> names;
    for (const Option& o : c.options) {
      // An extra setting named like a dialog option would shadow it.
      EXPECT_TRUE(names.insert(o.name).second) << c.name << " --" << o.name << " twice";
      EXPECT_NE(o.name, "help") << c.name;
      EXPECT_EQ(o.name.find_first_of("= "), std::string::npos) << c.name << " --" << o.name;
      EXPECT_FALSE(o.help.empty()) << c.name << " --" << o.name;
      if (o.kind == ValueKind::kWord) {
        EXPECT_FALSE(o.choices.empty()) << c.name << " --" << o.name;
      }
      if (!o.one_of.empty()) {
        EXPECT_EQ(o.kind, ValueKind::kSwitch) << c.name << " --" << o.name;
      }
    }
  }
  for (const char* expected :
       {"new", "info", "address", "import", "export", "index", "options", "create", "scripts"}) {
    EXPECT_TRUE(commands.contains(expected)) << expected;
  }
}

// "--opt v", "--opt=v" and the option before the positional arguments read
// the same, and the command gets the value in its read-back form.
TEST(CliParserTest, BothOptionFormsReadTheSameForEveryOptionOfTheTable) {
  for (const Command& c : Commands()) {
    const Strings pos = Positionals(c);
    for (const Option& o : c.options) {
      if (!o.one_of.empty()) continue;  // checked with its group below
      const std::string opt = "--" + o.name;
      if (o.kind == ValueKind::kSwitch) {
        const ParsedArgs p = ParseCommandLine(c, With(pos, {opt}));
        EXPECT_TRUE(p.Has(o.name)) << c.name << " " << opt;
        EXPECT_EQ(p.positional, pos);
        EXPECT_THROW(ParseCommandLine(c, With(pos, {opt + "=on"})), UsageError) << opt;
        continue;
      }
      for (const auto& [value, read_back] : GoodValues(o)) {
        SCOPED_TRACE(c.name + " " + opt + " \"" + value + "\"");
        const ParsedArgs split = ParseCommandLine(c, With(pos, {opt, value}));
        EXPECT_EQ(ParseCommandLine(c, With(pos, {opt + "=" + value})), split);
        EXPECT_EQ(ParseCommandLine(c, With({opt + "=" + value}, pos)), split);
        EXPECT_EQ(split.positional, pos);
        EXPECT_EQ(split.Last(o.name), read_back);
      }
    }
  }
}

TEST(CliParserTest, EveryBooleanTakesOnOffOneZeroYesNoAndNothingElse) {
  size_t booleans = 0;
  for (const Command& c : Commands()) {
    for (const Option& o : c.options) {
      if (o.kind != ValueKind::kBool) continue;
      ++booleans;
      for (const char* bad : {"On", "true", "2", "", "of"}) {
        const Outcome r = RunCli(With(With({c.name}, Positionals(c)), {"--" + o.name + "=" + bad}));
        EXPECT_EQ(r.status, kExitUsage) << c.name << " --" << o.name << "=" << bad;
        EXPECT_EQ(r.err, "duvra-cli " + c.name + ": --" + o.name +
                             " takes on or off (or 1|0, yes|no), not \"" + bad +
                             "\" (see 'duvra-cli " + c.name + " --help')\n");
      }
    }
  }
  EXPECT_GE(booleans, 10u);  // keywords, the extra flags, number, bold, url
}

// A line that does not fit the table ends with status 2 and one line naming
// the fault, before any database is opened.
TEST(CliParserTest, UsageErrorsExitTwoWithOneLineForEveryCommand) {
  for (const Command& c : Commands()) {
    const Strings pos = Positionals(c);
    const Strings cmd = {c.name};
    const std::string see = " (see 'duvra-cli " + c.name + " --help')\n";
    const std::string lead = "duvra-cli " + c.name + ": ";
    // A group of alternatives needs one of them for the line to be whole.
    Strings whole = pos;
    for (const Option& o : c.options) {
      if (!o.one_of.empty()) {
        whole.push_back("--" + o.name);
        break;
      }
    }
    Outcome r = RunCli(cmd);
    EXPECT_EQ(r.status, kExitUsage) << c.name;
    EXPECT_EQ(r.err, lead + "missing PATH" + (pos.size() > 1 ? " and FILE" : "") + see);
    r = RunCli(With(With(cmd, whole), {"extra"}));
    EXPECT_EQ(r.status, kExitUsage) << c.name;
    EXPECT_EQ(r.err, lead + "unexpected argument 'extra'" + see);
    r = RunCli(With(With(cmd, whole), {"--no-such-option=1"}));
    EXPECT_EQ(r.err, lead + "unknown option --no-such-option" + see);
    r = RunCli(With(With(cmd, whole), {"-x"}));
    EXPECT_EQ(r.err, lead + "unknown option -x" + see);
    Strings empty_first = whole;
    empty_first[0] = "";
    r = RunCli(With(cmd, empty_first));
    EXPECT_EQ(r.err, lead + "PATH cannot be empty" + see);
    for (const Option& o : c.options) {
      const std::string opt = "--" + o.name;
      if (o.kind == ValueKind::kSwitch) continue;
      r = RunCli(With(With(cmd, whole), {opt}));
      EXPECT_EQ(r.status, kExitUsage) << c.name << " " << opt;
      EXPECT_EQ(r.err, lead + opt + " needs a value" + see);
      if (o.kind == ValueKind::kNumber || o.kind == ValueKind::kWord) {
        for (const char* bad : {"many", "-1", "", "99999999999"}) {
          r = RunCli(With(With(cmd, whole), {opt, bad}));
          EXPECT_EQ(r.status, kExitUsage) << c.name << " " << opt << " " << bad;
          EXPECT_TRUE(r.err.starts_with(lead + opt)) << r.err;
        }
      }
      if (o.non_empty) {
        r = RunCli(With(With(cmd, whole), {opt + "="}));
        EXPECT_EQ(r.err, lead + opt + " cannot be empty" + see);
      }
    }
  }
}

TEST(CliParserTest, AlternativesNeedExactlyOne) {
  const Command* address = FindCommand("address");
  ASSERT_NE(address, nullptr);
  const std::string err =
      "duvra-cli address: expected --absolute or --local (see 'duvra-cli "
      "address --help')\n";
  EXPECT_EQ(RunCli({"address", "a.duv"}).err, err);
  EXPECT_EQ(RunCli({"address", "a.duv", "--local", "--absolute"}).err, err);
  EXPECT_TRUE(ParseCommandLine(*address, {"--local", "a.duv"}).Has("local"));
}

// 'options' applies its options in the order given, so the order is kept
// across both forms; "--" lets a name that begins with "-" through.
TEST(CliParserTest, OptionsKeepTheirOrderAndDoubleDashEndsThem) {
  const Command* options = FindCommand("options");
  ASSERT_NE(options, nullptr);
  const ParsedArgs p = ParseCommandLine(
      *options, {"--add-word=b", "db", "--restore", "--add-word", "a", "--timeout=060"});
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"add-word", "b"}, {"restore", ""}, {"add-word", "a"}, {"timeout", "60"}};
  EXPECT_EQ(p.options, expected);
  EXPECT_EQ(p.Last("add-word"), "a");
  EXPECT_EQ(p.Last("name", "unset"), "unset");

  const ParsedArgs q = ParseCommandLine(*FindCommand("export"), {"db", "--", "-out.csv"});
  EXPECT_EQ(q.positional, (Strings{"db", "-out.csv"}));
  EXPECT_TRUE(q.options.empty());
}

TEST(CliHelpTest, HelpShowsEveryOptionOfTheTableAndEveryCommand) {
  const Outcome program = RunCli({"--help"});
  EXPECT_EQ(program.status, kExitOk);
  EXPECT_EQ(RunCli({"-h"}).out, program.out);
  EXPECT_EQ(RunCli({"help"}).out, program.out);
  EXPECT_NE(program.out.find("'--option=VALUE'"), std::string::npos);
  for (const Command& c : Commands()) {
    EXPECT_NE(program.out.find("  " + c.name + " "), std::string::npos) << c.name;
    EXPECT_NE(program.out.find("      " + c.summary + "\n"), std::string::npos) << c.name;
    const Outcome help = RunCli(With(With({c.name}, Positionals(c)), {"--help"}));
    EXPECT_EQ(help.status, kExitOk) << c.name;
    EXPECT_TRUE(help.out.starts_with("Usage: duvra-cli " + c.name + " ")) << help.out;
    EXPECT_EQ(RunCli({"help", c.name}).out, help.out);
    for (const Option& o : c.options) {
      std::string shown = "--" + o.name;
      if (o.kind == ValueKind::kBool) shown += " on|off";
      if (o.kind == ValueKind::kText || (o.kind == ValueKind::kNumber && o.choices.empty())) {
        shown += " " + o.value_name;
      }
      if (!o.choices.empty()) {
        shown += " " + o.choices[0];
        for (size_t i = 1; i < o.choices.size(); ++i) shown += "|" + o.choices[i];
      }
      // In the usage line (in brackets unless it is one of alternatives)
      // and at the head of its line in the list, with its description.
      const std::string usage = help.out.substr(0, help.out.find("\n\n"));
      EXPECT_NE(usage.find(o.one_of.empty() ? "[" + shown + "]" : shown), std::string::npos)
          << c.name << ": " << shown;
      const size_t listed = help.out.find("\n  " + shown, usage.size());
      ASSERT_NE(listed, std::string::npos) << c.name << ": " << shown;
      EXPECT_TRUE(std::string(" \n").find(help.out[listed + 3 + shown.size()]) != std::string::npos)
          << c.name << ": " << shown;
      EXPECT_NE(help.out.find(" " + o.help + "\n", listed), std::string::npos)
          << c.name << ": " << o.help;
    }
  }
  const Outcome unknown = RunCli({"help", "nope"});
  EXPECT_EQ(unknown.status, kExitUsage);
  EXPECT_EQ(unknown.err, "duvra-cli: unknown command 'nope' (try --help)\n");
  EXPECT_EQ(RunCli({}).status, kExitUsage);
}

}  // namespace
}  // namespace duvra::cli
