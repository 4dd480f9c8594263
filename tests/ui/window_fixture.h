#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "core/profile_file.h"
#include "messaging/tmail602.h"
#include "platform/library_loader.h"
#include "support/agent_fixture.h"
#include "ui/main_window.h"

namespace norva::test {

inline const char* kWindowIni =
    "[Set]\r\nLang=Cz\r\nPort=COM2:19200,N,8,1\r\nReadUct=1\r\nSendUct=0\r\nUctFile=DATA.NEW\r\n"
    "[M602]\r\nCestaKeKonfiguraciMail602=/etc/mail.cfg\r\nCestaKPracovnimuAdresari=/var/mail\r\n"
    "Uzivatel=agent\r\n"
    "[Trapy]\r\nAdresaPrijemce=ops\r\nTypAdresyPrijemce=Q\r\nSubject=PBX\r\n";

// The real window over the whole agent on virtual time, in a folder of its own.
class WindowFixture {
 public:
  // `prepare` may change the agent's folder (language files) before the start.
  explicit WindowFixture(const std::string& ini = kWindowIni,
                         const std::function<void(TempDir&)>& prepare = {}) {
    agentFixture.writeIni(ini);
    if (prepare) prepare(agentFixture.dir);
    agentFixture.createMailGateway = [this] {
      return std::make_unique<TMail602>(nullptr, agentFixture.dir.path());
    };
    agentFixture.uiSink = &window;
    agentFixture.start();
    window.attach(agentFixture.agent.get());
  }
  ~WindowFixture() { agentFixture.agent->FormDestroy(); }

  Agent& agent() { return *agentFixture.agent; }
  std::string iniValue(const char* section, const char* key) {
    return ProfileFile(agent().iniPath()).readString(section, key, "<none>");
  }
  template <typename D>
  D* dialog() {
    return dynamic_cast<D*>(window.openDialog());
  }
  void trigger(const char* item) { window.menuItem(QString::fromLatin1(item))->trigger(); }

  AgentFixture agentFixture;
  MainWindow window;
};

}  // namespace norva::test
