// The command line read without starting the scanner: what each option
// sets, what is refused and with which message.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "engine/actions/Actions.h"
#include "engine/text/Encoding.h"

namespace vsk::test {
namespace {

struct Parsed {
  Arguments arguments;
  std::wstring error;
};

Parsed Parse(const std::vector<std::wstring>& args) {
  Parsed p;
  p.error = ParseArguments(args, p.arguments);
  return p;
}

TEST(ArgumentsTest, ATargetAloneScansWithTheScannersOwnSettings) {
  const Parsed p = Parse({L"Папка"});
  ASSERT_EQ(p.error, L"");
  const Arguments& a = p.arguments;
  EXPECT_EQ(a.targetText, L"Папка");
  EXPECT_EQ(a.target, PathFromText(L"Папка"));
  EXPECT_EQ(a.database, std::filesystem::path("VirusBase.vbf"));
  EXPECT_EQ(a.options.Sound, 0);
  EXPECT_EQ(a.options.Report, 1);
  EXPECT_EQ(a.options.ReportToFile, 0);
  EXPECT_EQ(a.options.SubDir, 0);
  EXPECT_EQ(a.options.FileOk, 0);
  EXPECT_EQ(a.options.FileMask, L"*");
  EXPECT_EQ(a.options.ReportFileMode, 1);  // append
  EXPECT_EQ(a.action, nullptr);
  EXPECT_FALSE(a.yes);
  EXPECT_FALSE(a.help);
  EXPECT_EQ(a.jobs, 0);
}

TEST(ArgumentsTest, EachOptionSetsItsOwnField) {
  const Parsed p = Parse({L"--subdirs", L"--ok", L"--overwrite", L"--mask", L"*.exe", L"--db",
                          L"База.vbf", L"--jobs", L"64", L"--yes", L"--report", L"Отчёт.txt", L"t"});
  ASSERT_EQ(p.error, L"");
  const Arguments& a = p.arguments;
  EXPECT_EQ(a.options.SubDir, 1);
  EXPECT_EQ(a.options.FileOk, 1);
  EXPECT_EQ(a.options.ReportFileMode, 0);
  EXPECT_EQ(a.options.FileMask, L"*.exe");
  EXPECT_EQ(a.database, PathFromText(L"База.vbf"));
  EXPECT_EQ(a.jobs, 64);
  EXPECT_TRUE(a.yes);
  EXPECT_EQ(a.reportFile, L"Отчёт.txt");
  EXPECT_EQ(a.options.ReportFileName, L"Отчёт.txt");
  EXPECT_EQ(a.options.ReportToFile, 1);
  EXPECT_EQ(a.targetText, L"t");

  EXPECT_EQ(Parse({L"--overwrite", L"--append", L"t"}).arguments.options.ReportFileMode, 1);
  EXPECT_EQ(Parse({L"t", L"--jobs", L"07"}).arguments.jobs, 7);
  EXPECT_EQ(Parse({L"--jobs", L"1", L"t"}).arguments.jobs, 1);
}

TEST(ArgumentsTest, EachActionNameChoosesItsAction) {
  const struct {
    const wchar_t* name;
    Action action;
  } cases[] = {{L"delete", DeleteInfected},         {L"rename", RenameInfected},
               {L"move", MoveToQuarantine},         {L"cure-or-delete", CureOrDelete},
               {L"cure-or-rename", CureOrRename},   {L"cure-or-move", CureOrMove}};
  for (const auto& c : cases) {
    const Parsed p = Parse({L"--action", c.name, L"t"});
    EXPECT_EQ(p.error, L"") << c.name;
    EXPECT_EQ(p.arguments.action, c.action) << c.name;
  }
  EXPECT_EQ(Parse({L"--action", L"cure", L"t"}).error, L"неизвестное действие cure");
  EXPECT_EQ(Parse({L"--action", L"Delete", L"t"}).error, L"неизвестное действие Delete");
}

TEST(ArgumentsTest, RefusedCommandLinesSayWhy) {
  const std::wstring jobs = L"после --jobs нужно число потоков от 1 до 64";
  const struct {
    std::vector<std::wstring> args;
    std::wstring error;
  } cases[] = {
      {{}, L"не указана папка или файл для проверки"},
      {{L"--subdirs"}, L"не указана папка или файл для проверки"},
      {{L"a", L"b"}, L"путь для проверки указан дважды: b"},
      {{L"--bogus", L"t"}, L"неизвестный параметр --bogus"},
      {{L"t", L"-s"}, L"неизвестный параметр -s"},
      {{L"t", L"--mask"}, L"после --mask нужна маска"},
      {{L"t", L"--db"}, L"после --db нужно имя файла"},
      {{L"t", L"--report"}, L"после --report нужно имя файла"},
      {{L"t", L"--action"}, L"после --action нужно действие"},
      {{L"t", L"--jobs"}, jobs},
      {{L"--jobs", L"", L"t"}, jobs},
      {{L"--jobs", L"0", L"t"}, jobs},
      {{L"--jobs", L"65", L"t"}, jobs},
      {{L"--jobs", L"007", L"t"}, jobs},
      {{L"--jobs", L"+1", L"t"}, jobs},
      {{L"--quarantine", L"list"}, L"неизвестный параметр --quarantine"},
  };
  for (const auto& c : cases) {
    const std::wstring shown = c.args.empty() ? L"(none)" : c.args[0];
    EXPECT_EQ(Parse(c.args).error, c.error) << ToUtf8(shown);
  }
}

// A value is taken whatever it looks like; "-" alone is a target; --help
// counts only when it comes before the first error.
TEST(ArgumentsTest, ValuesTargetsAndHelpInCombination) {
  Parsed p = Parse({L"--mask", L"--ok", L"-"});
  EXPECT_EQ(p.error, L"");
  EXPECT_EQ(p.arguments.options.FileMask, L"--ok");
  EXPECT_EQ(p.arguments.options.FileOk, 0);
  EXPECT_EQ(p.arguments.targetText, L"-");

  p = Parse({L"--report", L"t"});
  EXPECT_EQ(p.error, L"не указана папка или файл для проверки");

  for (const wchar_t* help : {L"--help", L"-h"}) {
    p = Parse({help});
    EXPECT_EQ(p.error, L"");
    EXPECT_TRUE(p.arguments.help);
  }
  p = Parse({L"--help", L"--bogus"});
  EXPECT_TRUE(p.arguments.help);
  EXPECT_NE(p.error, L"");
  p = Parse({L"--bogus", L"--help"});
  EXPECT_FALSE(p.arguments.help);
  EXPECT_EQ(p.error, L"неизвестный параметр --bogus");
}

// After "--" everything is the target, and names of files reach the file
// system as the system gave them, whether they are text or not.
TEST(ArgumentsTest, DoubleDashEndsTheOptionsAndNamesKeepTheirNativeForm) {
  Parsed p = Parse({L"--ok", L"--", L"-evil"});
  EXPECT_EQ(p.error, L"");
  EXPECT_EQ(p.arguments.options.FileOk, 1);
  EXPECT_EQ(p.arguments.targetText, L"-evil");
  EXPECT_EQ(Parse({L"--", L"--help"}).arguments.help, false);
  EXPECT_EQ(Parse({L"--", L"a", L"--"}).error, L"путь для проверки указан дважды: --");
  EXPECT_EQ(Parse({L"--"}).error, L"не указана папка или файл для проверки");

#ifdef _WIN32
  const os::CommandLine raw = {L"--db", L"b\xD800.vbf", L"--report", L"r\xDC00.txt", L"t\xDBFF"};
#else
  const os::CommandLine raw = {"--db", "b\xFF.vbf", "--report", "r\xC0.txt", "t\xE4"};
#endif
  Arguments a;
  ASSERT_EQ(ParseArguments(raw, a), L"");
  EXPECT_EQ(a.database.native(), raw[1]);
  EXPECT_EQ(a.reportPath.native(), raw[3]);
  EXPECT_EQ(a.target.native(), raw[4]);
  EXPECT_EQ(a.options.ReportToFile, 1);
}

}  // namespace
}  // namespace vsk::test
