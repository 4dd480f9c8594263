#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/configuration.h"
#include "core/event_log.h"
#include "data/codec_hooks.h"
#include "data/codecs.h"
#include "platform/tcp_server.h"
#include "poll/request_queue.h"

namespace norva {

class AccountingFile;
class AccountingRecords;
class Clock;
class MailGateway;
class MailHost;
class ProfileFile;
class ResponseCache;
class TData;
class SerialPort;
class TCommPax;
class TMail602;
class ServiceQuery;
class SystemLog;
class TNLS;
class Timer;
class TimerFactory;
class UiSink;
class LibraryLoader;
class LoopPoster;
class XapiBridge;

// What the composition root hands the agent.
struct AgentEnvironment {
  std::string programPath;          // full path of the program file
  std::vector<std::string> args;    // parameters, the program path first
  std::string rawCommandLine;       // all parameters joined by spaces
  Clock* clock = nullptr;
  TimerFactory* timers = nullptr;
  UiSink* ui = nullptr;
  SystemLog* systemLog = nullptr;
  ServiceQuery* serviceQuery = nullptr;
  SerialPort* serialPort = nullptr;
  AccountingFile* accountingFile = nullptr;
  TcpServer* tcpServer = nullptr;   // none: no network clients
  // Makes the mail gateway at start; none means messaging is off.
  std::function<std::unique_ptr<MailGateway>()> createMailGateway;
  // The computer-telephony library: how it is loaded, and the door through
  // which its thread posts onto the agent's loop.
  LibraryLoader* libraries = nullptr;
  LoopPoster* loop = nullptr;
};

// 'A' for a read of line states (00 16 ...), 'X' for command 14, else 0.
char snapshotKindOf(const std::uint8_t* payload, int length);

// "/service" anywhere in the raw command line, case-sensitive.
bool isServiceCommandLine(const std::string& rawCommandLine);
// The configuration file: the program path with its extension replaced by ".INI".
std::string configurationPathFor(const std::string& programPath);
std::string directoryOf(const std::string& path);

// The agent's state and its handlers. The desktop window only shows it.
class Agent : public TcpServerEvents {
 public:
  explicit Agent(AgentEnvironment env);
  ~Agent() override;
  Agent(const Agent&) = delete;
  Agent& operator=(const Agent&) = delete;

  // Program entry decides these before the agent is created.
  bool ServiceMode = false;
  bool ServiceElsewhere = false;

  void FormCreate();
  void FormClose();
  void FormDestroy();

  void TimerTickTimer();
  // A packet from the PBX: data[0] is its sequence number.
  void CommPax1RxPacket(int count, const std::uint8_t* data);
  void Zastavit1Click();
  void ShowOnTrayClickClick();
  void ShowOnClick();
  void ShutDownClick();

  // The serial link (start step 10 and the commands that re-open it).
  // Re-opens at another baud rate, given as a menu caption; true when open again.
  bool ChangeBaudRate(const std::string& baudText);
  // Re-opens with another port digit, as after the port dialog's OK.
  void SelectPort(char digit);

  // The operator's commands beyond start and stop (agent_operator.cpp).
  // Holds the poll tick off while a settings dialog is open, and puts it
  // back as it was; one remembered state, calls do not nest.
  void HoldPolling(bool on);
  // The port dialog's index: the digit after "COM" minus one. Throws
  // std::out_of_range for a port setting shorter than four characters.
  int portIndex() const;
  // These two return false when the key could not be written; the
  // language then stays as it was.
  bool Ulo6itdosouboru1Click();
  bool LanguageClick(const std::string& code);
  // The settings dialogs edit these fields in place; the commands below
  // write them back after an OK.
  Configuration& editableConfig() { return config_; }
  // The mail gateway's settings, or none when messaging is off.
  TMail602* mailSettings();
  bool saveMailSettings();
  bool saveTrapSettings();
  bool saveLogSettings();
  // Also starts or stops fetching accounting records to match ReadUct.
  bool applyAccountingSettings();
  void CommPax1RxChr(std::uint8_t chr);
  static constexpr int kPortRetryMs = 3000;

  // The network gateway: the server's events and a client's requests.
  void ServerSocket1Listen() override;
  void ServerSocket1Accept() override;
  void ServerSocket1GetSocket() override;
  void ServerSocket1ClientConnect(TcpConnection& socket) override;
  void ServerSocket1ClientDisconnect(TcpConnection& socket) override;
  void ServerSocket1ClientRead(TcpConnection& socket) override;
  void ServerSocket1ClientWrite(TcpConnection& socket) override;
  void ServerSocket1ClientError(TcpConnection& socket, int& errorCode) override;
  void ServerSocket1AcceptError(const std::string& message) override;
  // The connection that sent a request, or none when it has gone.
  TcpConnection* ClientByConnection(std::uint64_t serial) const;
  static constexpr int kClientBufferSize = 500;
  static constexpr int kListenRetryMs = 5000;
  static constexpr int kAcceptPauseMs = 1000;
  // A client that stops reading loses its connection past this backlog.
  static constexpr std::int64_t kMaxClientBacklog = 64 * 1024;

  bool startHidden() const { return startHidden_; }
  bool pollTickOn() const;
  bool trayIconShown() const { return TrayIconShown; }

  EventLog& log() { return log_; }
  TNLS* nls() { return nls_.get(); }
  const Configuration& config() const { return config_; }
  const std::string& iniPath() const { return iniPath_; }
  const std::string& portSettings() const { return config_.port; }
  int pollState() const { return PollState; }
  int tickCount() const { return TickCount; }
  bool portRetrying() const;
  int errorCount() const { return ErrorCount; }
  bool linkRestorePending() const { return LinkRestorePending; }
  std::uint8_t sequenceCounter() const { return SequenceCounter; }
  const RequestQueue* requestQueue() const { return RequestQueue_.get(); }
  const OutstandingRequests* outstanding() const { return Outstanding_.get(); }
  const TData* data() const { return Data.get(); }
  const AccountingRecords* accounting() const { return Accounting.get(); }
  const std::string& lastUctRecord() const { return LastUctRecord; }
  const ResponseCache* responseCache() const { return ResponseCache_.get(); }
  bool listenRetrying() const;
  struct PeriodicTimers {
    const Timer* an;
    const Timer* sw;
    const Timer* msg;
    const Timer* sms;
    const Timer* ur;
  };
  PeriodicTimers periodicTimers() const {
    return {TimerAN.get(), TimerSW.get(), TimerMSG.get(), TimerSMS.get(), TimerUR.get()};
  }
  static std::string versionText();
  const XapiBridge* xapiBridge() const { return Xapi.get(); }

  // The request lists (start step 11 creates them).
  void QueueRequest(char kind, int value, const std::uint8_t* payload = nullptr, int length = 0,
                    std::uint64_t connection = 0);
  void RememberRequest(char kind, const std::uint8_t* payload, int length, int socket,
                       std::uint64_t connection = 0);
  std::unique_ptr<TPendingRequest> TakeRequest(std::uint8_t sequence);
  void SendRequest(const std::string& tag, const std::string& text, const std::uint8_t* payload,
                   int length);

 private:
  void writeLog(const std::string& tag, const std::string& text) { log_.writeLog(tag, text); }
  std::string text(int number) const;
  void logEvent(bool error, const std::string& text);

  const Clock& clock() const { return *env_.clock; }
  MailGateway& mail();

  // The poll cycle.
  void pollIdle();
  void sendOwnRequest(char kind, int value);
  void sendCounterRequest();
  std::string traceRequest(const std::uint8_t* payload, int length, bool dump) const;
  void CheckAnTimeOut();
  void CheckSwTimeOut();
  void createPeriodicTimers();
  void setTimerPeriods();
  void periodicTimerFired(char kind, int logText);
  bool xapiActive() const { return hooks_.xapiActive(); }

  // Answers.
  void decodeKeyAnswer(const std::uint8_t* answer, int length);
  void onLineStateAnswer(const std::uint8_t* answer, int length);
  void onQueueAnswer(const std::uint8_t* answer, int length);
  void onSwAnswer(const std::uint8_t* answer, int length);
  void onClipAnswer(const std::uint8_t* answer, int length);
  void OnConfigAnswer(const std::uint8_t* answer, int length);
  void OnInfoAnswer(const std::uint8_t* answer, int length);
  void OnLineListAnswer(const std::uint8_t* answer, int length);
  void OnCounterAnswer(const std::uint8_t* answer, int length);
  void OnUctAnswer(const std::uint8_t* answer, int length);
  void OnSlotAnswer(const std::uint8_t* answer, int length);
  void OnClientAnswer(std::uint8_t command, const std::uint8_t* answer, int length);
  void routeClientAnswer(const TPendingRequest& r, const std::uint8_t* answer, int length);
  void offerToCache(const TPendingRequest& r, const std::uint8_t* answer, int length);
  std::string compatibilityText(int closingText) const;
  bool ScanMailboxes();
  void SendTrap(int kind);

  void onPortFailure(const std::string& reason);
  void PortRetryTimerTimer();
  void afterPortReopened();
  void queueStartRequests();
  void stopMailTimers();

  // The gateway's local answers and its way back to the client.
  void handleClientRequest(TcpConnection& socket, const std::uint8_t* request, int L);
  bool AnswerLineState(const std::uint8_t* request, int L, TcpConnection& socket);
  bool AnswerSw(const std::uint8_t* request, int L, TcpConnection& socket);
  bool AnswerAccounting(const std::uint8_t* request, int L, TcpConnection& socket);
  bool AnswerFromCache(const std::uint8_t* request, int L, TcpConnection& socket);
  void sendToClient(TcpConnection& socket, const std::uint8_t* data, int count);
  void sendClientRequest(const std::uint8_t* payload, int length, int socket, std::uint64_t connection);
  // Line states ('A') and command-14 data ('X'): whether a read of them is
  // on its way, the clients waiting for its answer, and answering them.
  bool snapshotReadPending(char kind) const;
  std::vector<std::uint64_t>& snapshotWaiters(char kind);
  void answerSnapshotWaiters(char kind, const std::uint8_t* data, int length);
  bool waitForSnapshot(char kind, TcpConnection& socket);
  void sendSnapshot(char kind, TcpConnection& socket, const std::uint8_t* data, int length);
  static std::string clientTag(char direction, TcpConnection& socket);
  bool listen(bool firstTry);
  void ListenRetryTimerTimer();

  // Start steps that other parts of the agent fill in.
  void openTcpServer();
  void openSerialPort();
  void createRequestLists();
  void allocateResponseCache();
  void createDataStore();
  void createMailGateway(const ProfileFile& ini);
  void startMailGateway();
  void loadXapiBridge();

  // Tear-down steps that other parts of the agent fill in.
  void sendFinalCounters();
  void stopPeriodicTimers();
  void releaseRequestLists();
  void closeSerialPort();
  void closeTcpServer();
  void destroyMailGateway();
  void destroyXapiBridge();

  AgentEnvironment env_;
  std::string iniPath_;
  EventLog log_;
  std::unique_ptr<TNLS> nls_;
  std::unique_ptr<Timer> TimerTick;
  std::unique_ptr<Timer> PortRetryTimer;
  Configuration config_;
  SerialPort& port_;
  std::unique_ptr<TCommPax> CommPax1;

  // What the decoders hand on: the bridge's feeds and the cache.
  class Hooks : public CodecHooks {
   public:
    explicit Hooks(Agent& agent) : agent_(agent) {}
    // The XAPI bridge's feeds go to the bridge while it is there.
    XapiBridge* xapi = nullptr;
    bool xapiActive() const override;
    void XAPI_PutInfo(const std::uint8_t* info7) override;
    void XAPI_PutLines(int count, const std::uint8_t* lines) override;
    void XAPI_PutStates(int count, const std::uint8_t* records) override;
    void XAPI_PutCLIP(int line, const std::string& number) override;
    void XAPI_PutFront(int lineOffset, const std::uint8_t* front, int length) override;
    void emptyCache() override;

   private:
    Agent& agent_;
  };
  Hooks hooks_{*this};
  std::unique_ptr<XapiBridge> Xapi;
  // Builds an own request; '#' reads the bridge's command record now.
  int buildOwnRequest(char kind, int value, PayloadBuffer& out);

  TcpServer* ServerSocket1 = nullptr;
  std::unique_ptr<Timer> ListenRetryTimer;
  std::unique_ptr<Timer> AcceptResumeTimer;
  std::unique_ptr<ResponseCache> ResponseCache_;
  std::array<std::uint8_t, kClientBufferSize> ClientBuffer{};
  std::vector<std::uint64_t> LineStateWaiters;  // connection serials
  std::vector<std::uint64_t> SwWaiters;

  std::unique_ptr<Timer> TimerAN;
  std::unique_ptr<Timer> TimerSW;
  std::unique_ptr<Timer> TimerMSG;
  std::unique_ptr<Timer> TimerSMS;
  std::unique_ptr<Timer> TimerUR;

  std::unique_ptr<RequestQueue> RequestQueue_;
  std::unique_ptr<OutstandingRequests> Outstanding_;
  std::uint8_t SequenceCounter = 1;
  std::unique_ptr<TData> Data;
  std::unique_ptr<AccountingRecords> Accounting;
  std::string LastUctRecord;
  std::unique_ptr<MailGateway> Mail602;
  std::unique_ptr<MailGateway> noMail_;
  // The mail gateway's way back into the agent (agent_mail.cpp).
  class MailLink;
  std::shared_ptr<MailHost> mailHost_;

  int PollState = 0;
  // What the current wait brings: the own request's kind, 'A' or 'X' for a
  // client's read of line states or command-14 data, else 'T' for a client.
  char AwaitedKind = 0;
  int TickCount = 0;
  int ErrorCount = 0;
  bool LinkRestorePending = false;
  // When a client last asked for line states and command-14 data (monotonic).
  std::int64_t LineStateAskMono = 0;
  std::int64_t SwAskMono = 0;

  bool TickHeld = false;  // the tick's state before HoldPolling(true)
  bool HideRequested = false;
  bool TrayIconShown = false;
  bool TickBusy = false;
  bool startHidden_ = false;
  bool destroyed_ = false;
};

}  // namespace norva
