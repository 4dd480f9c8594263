#include "data/trace_text.h"

#include <gtest/gtest.h>

#include <vector>

#include "i18n/tnls.h"
#include "support/temp_dir.h"

namespace norva {
namespace {

using test::TempDir;

struct TraceCase {
  TraceForm form;
  std::vector<std::uint8_t> payload;
  std::uint8_t command;
  bool dump;
  std::string text;
};

constexpr TraceForm kReq = TraceForm::Request;
constexpr TraceForm kAns = TraceForm::Answer;

class TraceTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.write("NAgent.Cz",
              "[Texty]\n1000=Read\n1001=Write\n1002=Info\n1004=Next\n1013=Config\n1018=Key\n"
              "2014=Lines\n2017=Counters\n2022=States\n2048=Last\n");
    nls.SetLanguage("Cz");
    nls.LoadTexts();
    nls.CloseLanguageFile();
  }
  std::string trace(const TraceCase& c) const {
    return TraceText(c.form, c.payload.data(), static_cast<int>(c.payload.size()), c.command,
                     c.dump, nls);
  }
  void check(const std::vector<TraceCase>& cases) const {
    for (const auto& c : cases) {
      std::string bytes;
      for (auto b : c.payload) bytes += std::to_string(b) + ",";
      EXPECT_EQ(trace(c), c.text) << (c.form == kReq ? "request " : "answer ") << bytes;
    }
  }

  TempDir dir;
  TNLS nls{dir.path()};
};

TEST_F(TraceTextTest, DocumentedExamples) {
  check({
      {kReq, {0, 22, 0}, 0, false, "Read States"},
      {kReq, {0, 60, 2}, 0, false, "Read Str:60[2]"},
      {kReq, {13, 5}, 0, false, "Cmd: ERROR"},
      {kReq, {1, 17, 0, 3, 0, 1, 0}, 0, true, "Write Counters 3 0 1 0"},
      {kReq, {33}, 0, false, "Cmd: 33 "},
      {kAns, {0, 14, 0, 1, 2}, 0, false, "Lines"},
      {kAns, {7, 14, 2}, 0, false, "Lines[2]Error 7: "},
      {kAns, {3}, 13, false, "ConfigError 3: "},
  });
}

TEST_F(TraceTextTest, RequestForm) {
  check({
      {kReq, {0, 48, 0}, 0, false, "Read Last"},
      {kReq, {0, 49, 0}, 0, false, "Read Str:49[0]"},
      {kReq, {0, 14, 3}, 0, false, "Read Lines[3]"},
      {kReq, {0, 14}, 0, false, "Read Lines"},  // index 0 when missing
      {kReq, {0}, 0, true, "Read "},
      {kReq, {13}, 0, false, "Config"},                          // argument-free, alone
      {kReq, {18, 1, 1, 2, 3, 4, 5, 6, 7, 8}, 0, false, "Key"},  // 18 carries arguments
      {kReq, {18, 1, 5}, 0, true, "Key 1 5"},
      {kReq, {1, 17, 0}, 0, true, "Write Counters"},  // nothing left to dump
      {kReq, {2, 1}, 0, true, "Cmd: ERROR 1"},
      {kReq, {40, 22, 1, 9}, 0, true, "Cmd: 40 States[1] 9"},
      {kReq, {7}, 0, false, ""},  // a command without a name
      {kReq, {}, 0, true, ""},
  });
}

TEST_F(TraceTextTest, AnswerForm) {
  check({
      {kAns, {0, 49, 0}, 0, false, "Str:49"},  // an index of 0 is not shown
      {kAns, {0, 49, 3}, 1, false, "Str:49[3]"},
      {kAns, {5}, 0, false, "Error 5: "},
      {kAns, {0}, 0, true, ""},
      {kAns, {0, 14}, 0, true, "Lines"},
      {kAns, {0, 14, 0, 1, 2}, 0, true, "Lines 1 2"},
      {kAns, {0, 'A', 'B'}, 4, true, "Next  65 66"},
      {kAns, {0, 1, 2, 3}, 2, true, "Info 1 2 3"},
      {kAns, {4, 1}, 14, false, "Error 4: "},       // 14 has no name here
      {kAns, {0, 22, 0, 8}, 33, true, "States 8"},  // 15 and above: an item read
      {kAns, {}, 0, true, ""},
  });
}

TEST(TraceText, LongNamesAreKeptWhole) {
  const std::string longName(300, 'n');
  const TraceNames names = [&](int number) { return number == 2022 ? longName : "R"; };
  const std::uint8_t request[] = {0, 22, 5};
  EXPECT_EQ(TraceText(TraceForm::Request, request, 3, 0, false, names), "R " + longName + "[5]");
  const std::uint8_t answer[] = {9, 22, 5};
  EXPECT_EQ(TraceText(TraceForm::Answer, answer, 3, 0, false, names), longName + "[5]Error 9: ");
}

}  // namespace
}  // namespace norva
