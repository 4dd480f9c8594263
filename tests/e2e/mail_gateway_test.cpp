// The real program with the real mail gateway library beside it, pbxsim on
// the serial line and an SMTP server on loopback: messages from the PBX
// leave as mail, traps follow the link, mailbox counters reach the PBX.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "support/installed_copy.h"
#include "support/notify_socket.h"
#include "support/process.h"
#include "support/tcp_client.h"

namespace norva {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr const char* kPython = "/usr/bin/python3";

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

// An SMTP server on loopback that keeps what it receives in a Maildir.
class SmtpServer {
 public:
  SmtpServer(std::string folder, int port) : folder_(std::move(folder)), port_(port) {}
  bool start() {
    process_ = std::make_unique<test::Process>(
        kPython, std::vector<std::string>{"-m", "aiosmtpd", "-n", "-c", "aiosmtpd.handlers.Mailbox",
                                          "-l", "127.0.0.1:" + std::to_string(port_), folder_});
    return test::TcpClient(port_, 10s).connected();
  }
  void stop() {
    if (!process_) return;
    process_->signal(SIGTERM);
    process_->wait(5s);
    process_.reset();
  }
  ~SmtpServer() { stop(); }
  // The text of every message received so far.
  std::vector<std::string> messages() const {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder_ + "/new", ec)) out.push_back(readFile(e.path()));
    return out;
  }
  bool waitFor(const std::string& text, std::chrono::milliseconds timeout) const {
    for (auto end = std::chrono::steady_clock::now() + timeout;
         std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(100ms)) {
      for (const std::string& m : messages()) {
        if (m.find(text) != std::string::npos) return true;
      }
    }
    return false;
  }

 private:
  std::string folder_;
  int port_;
  std::unique_ptr<test::Process> process_;
};

class MailGatewayE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system((std::string(kPython) + " -c 'import aiosmtpd' 2>/dev/null").c_str()) != 0) {
      GTEST_SKIP() << "python3-aiosmtpd is not installed";
    }
    port = test::freeTcpPort();
    smtp = std::make_unique<SmtpServer>(copy.dir.file("received"), port);
    ASSERT_TRUE(smtp->start());
    maildir = copy.dir.file("novak");
    for (const char* sub : {"new", "cur", "tmp"}) fs::create_directories(maildir + "/" + sub);
    fs::create_directories(copy.dir.file("work"));
    copy.dir.write("agentz4.ini", "[Smtp]\nServer=smtp://127.0.0.1:" + std::to_string(port) +
                                      "\nFrom=pbx@example.com\nRetryFirst=1\nRetryMax=1\nTimeout=5\n"
                                      "[Routes]\nQ=%s@sms.example.com\n"
                                      "[Mailbox Novak]\nNumber=21\nMaildir=" + maildir + "\n");
    link = copy.dir.file("ttyPBX");
    pbx = std::make_unique<test::Process>(test::Process::WithStdio{}, copy.dir.file("pbxsim"),
                                          std::vector<std::string>{"--link", link});
    ASSERT_TRUE(pbx->waitForStdout("pty ", 10s)) << pbx->stderrText();
  }
  void startAgent() {
    copy.dir.write("NAgent.INI",
                   "[Set]\nLang=Eng\nReadUct=0\n[Devices]\nCOM2=" + link +
                       "\n[Timer]\nTrapInterval=300\nMSGInterval=500\nMaxErrorTick=20\n"
                       "[M602]\nCestaKeKonfiguraciMail602=" + copy.dir.file("agentz4.ini") +
                       "\nCestaKPracovnimuAdresari=" + copy.dir.file("work") +
                       "\n[Trapy]\nAdresaPrijemce=ops@example.com\nTypAdresyPrijemce=Internet\n"
                       "Subject=PBX alarm\nZpravaComOn=link back\nZpravaComOff=link lost\n");
    agent = std::make_unique<test::Process>(copy.program(), std::vector<std::string>{"/service"},
                                            test::serviceEnv());
    ASSERT_TRUE(agent->waitForStderr("-OK- Mail gateway started", 10s)) << agent->stderrText();
  }
  void TearDown() override {
    if (agent) {
      agent->signal(SIGTERM);
      EXPECT_EQ(agent->wait(10s), std::optional<int>(0)) << agent->stderrText();
    }
  }

  test::InstalledCopy copy;
  int port = 0;
  std::unique_ptr<SmtpServer> smtp;
  std::string maildir, link;
  std::unique_ptr<test::Process> pbx;
  std::unique_ptr<test::Process> agent;
};

TEST_F(MailGatewayE2E, SlotMessagesLeaveAsMailAndMailboxCountersReachThePbx) {
  startAgent();
  ASSERT_TRUE(pbx->writeStdin("message 1 I jan@example.com Hello|Call me back\n"));
  ASSERT_TRUE(smtp->waitFor("Subject: Hello", 15s)) << agent->stderrText();
  EXPECT_TRUE(smtp->waitFor("Call me back", 1s));
  EXPECT_TRUE(smtp->waitFor("X-RcptTo: jan@example.com", 1s));
  // The slot's clearing write: item 1, slot 1, zeros.
  EXPECT_TRUE(pbx->waitForStdout(" 01 01 01 00 00 00 00", 5s)) << pbx->stdoutText();
  EXPECT_TRUE(agent->waitForStderr(">602 Mail: Hello to jan@example.com", 1s));

  // A voice message delivered into the mailbox of line 21 (the first line):
  // the next counter write carries sms 0, voice 1, fax 0 for it.
  const std::string voice = "From: vm@pbx\nContent-Type: audio/wav\nSubject: voice\n\nRIFF\n";
  std::ofstream(maildir + "/tmp/1.vm", std::ios::binary) << voice;
  fs::rename(maildir + "/tmp/1.vm", maildir + "/new/1.vm");
  EXPECT_TRUE(pbx->waitForStdout(" 01 11 00 00 01 00 00", 10s)) << agent->stderrText();
  // Read by its owner: the count goes back to zero.
  fs::rename(maildir + "/new/1.vm", maildir + "/cur/1.vm:2,S");
  const std::size_t before = pbx->stdoutText().size();
  for (int i = 0; i < 100 && pbx->stdoutText().find(" 01 11 00 00 00 00 00", before) == std::string::npos;
       ++i) {
    pbx->waitForStdout("never printed", 100ms);
  }
  EXPECT_NE(pbx->stdoutText().find(" 01 11 00 00 00 00 00", before), std::string::npos);
}

TEST_F(MailGatewayE2E, NoMailIsLostWhileTheServerIsDown) {
  startAgent();
  smtp->stop();
  ASSERT_TRUE(pbx->writeStdin("message 2 Q 777111222 Ring|Please call\n"));
  // Taken into the spool: the slot is cleared at once.
  EXPECT_TRUE(pbx->waitForStdout(" 01 01 02 00 00 00 00", 10s)) << pbx->stdoutText();
  std::this_thread::sleep_for(2s);  // a few failed attempts
  ASSERT_TRUE(smtp->start());
  ASSERT_TRUE(smtp->waitFor("Subject: Ring", 15s)) << agent->stderrText();
  EXPECT_TRUE(smtp->waitFor("X-RcptTo: 777111222@sms.example.com", 1s));
  EXPECT_EQ(smtp->messages().size(), 1u);
}

TEST_F(MailGatewayE2E, LinkLossAndReturnSendTheirTraps) {
  startAgent();
  // Slots are read once the line list is in: requests keep coming from then on.
  ASSERT_TRUE(pbx->waitForStdout(" 00 01 00\n", 10s)) << pbx->stdoutText();
  ASSERT_TRUE(pbx->writeStdin("silent on\n"));
  const bool lost = smtp->waitFor("link lost", 20s);
  agent->waitForStderr("never printed", 100ms);
  ASSERT_TRUE(lost) << agent->stderrText();
  EXPECT_TRUE(smtp->waitFor("Subject: PBX alarm", 1s));
  EXPECT_TRUE(smtp->waitFor("X-RcptTo: ops@example.com", 1s));
  EXPECT_TRUE(agent->waitForStderr("Mail ops@example.com > link lost", 1s)) << agent->stderrText();
  ASSERT_TRUE(pbx->writeStdin("silent off\n"));
  ASSERT_TRUE(smtp->waitFor("link back", 20s)) << agent->stderrText();
  EXPECT_EQ(smtp->messages().size(), 2u);
}

}  // namespace
}  // namespace norva
