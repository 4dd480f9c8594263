// Installing, controlling and removing the service through systemctl, with a
// stand-in systemctl that keeps the unit's state in files; and the autostart
// entry. Driven through the services dialog's logic, as the operator drives it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/systemctl_service_manager.h"
#include "service/service_dialog.h"
#include "service/services.h"
#include "support/temp_dir.h"

namespace norva {
namespace {

namespace fs = std::filesystem;

// Understands just what the agent asks. A file "deny-<command>" makes that
// command fail for want of rights, "fail-<command>" fail otherwise;
// "stop-slowly" holds how many looks a stopping unit stays deactivating.
const char* kFakeSystemctl = R"(#!/bin/sh
S="$(dirname "$0")/state"
U="$(dirname "$0")/units/NorvaAgent.service"
echo "$*" >> "$S/calls"
cmd=""
for a in "$@"; do case "$a" in --*) ;; *) [ -z "$cmd" ] && cmd="$a";; esac; done
if [ -f "$S/deny-$cmd" ]; then echo "Failed to $cmd NorvaAgent.service: Access denied" >&2; exit 1; fi
if [ -f "$S/fail-$cmd" ]; then echo "Job for NorvaAgent.service failed." >&2; exit 1; fi
case "$cmd" in
  show)
    active=inactive; [ -f "$S/active" ] && active=$(cat "$S/active")
    if [ "$active" = deactivating ]; then
      n=$(cat "$S/left"); if [ "$n" -le 0 ]; then active=inactive; echo inactive > "$S/active"; fi
      echo $((n - 1)) > "$S/left"
    fi
    if [ -f "$U" ]; then
      echo LoadState=loaded
      if [ -f "$S/enabled" ]; then echo UnitFileState=enabled; else echo UnitFileState=disabled; fi
    else
      echo LoadState=not-found; echo UnitFileState=
    fi
    echo ActiveState=$active;;
  enable) touch "$S/enabled";;
  disable) rm -f "$S/enabled";;
  start) echo active > "$S/active";;
  stop)
    if [ -f "$S/stop-slowly" ]; then echo deactivating > "$S/active"; cp "$S/stop-slowly" "$S/left"
    else echo inactive > "$S/active"; fi;;
  daemon-reload) ;;
  *) echo "unknown command $cmd" >&2; exit 1;;
esac
)";

struct ServiceControl : ::testing::Test {
  ServiceControl() {
    fs::create_directories(dir.file("state"));
    fs::create_directories(dir.file("units"));
    fs::create_directories(dir.file("run-systemd"));
    dir.write("systemctl", kFakeSystemctl);
    fs::permissions(dir.file("systemctl"), fs::perms::owner_all);
  }

  Services& services() {
    SystemctlServiceManager::Paths paths;
    paths.systemctl = dir.file("systemctl");
    paths.unitDir = dir.file("units");
    paths.bootedMarker = dir.file("run-systemd");
    manager = std::make_unique<SystemctlServiceManager>(paths);
    autostart = std::make_unique<XdgAutostart>(dir.file("home/.config/autostart"));
    Services::Env env;
    env.manager = manager.get();
    env.autostart = autostart.get();
    env.programPath = "/opt/norva agent/NAgent";
    env.text = [](int n) { return "text " + std::to_string(n); };
    env.showInfo = [this](const std::string& caption, const std::string& text) {
      boxes.push_back(caption + ": " + text);
    };
    env.sleep = [this](int ms) { slept += ms; };
    svc = std::make_unique<Services>(env);
    return *svc;
  }

  void set(const std::string& name, const std::string& content = "") {
    dir.write("state/" + name, content);
  }
  std::vector<std::string> calls() {
    std::vector<std::string> out;
    std::ifstream in(dir.file("state/calls"));
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
  }
  // The commands given, without the queries.
  std::vector<std::string> actions() {
    std::vector<std::string> out;
    for (const std::string& c : calls()) {
      if (c.rfind("show ", 0) != 0) out.push_back(c);
    }
    return out;
  }
  bool unitExists() const { return fs::exists(dir.file("units/NorvaAgent.service")); }
  void install(bool enabled, const std::string& active) {
    dir.write("units/NorvaAgent.service", "[Service]\n");
    if (enabled) set("enabled");
    set("active", active + "\n");
  }

  test::TempDir dir;
  std::unique_ptr<SystemctlServiceManager> manager;
  std::unique_ptr<XdgAutostart> autostart;
  std::unique_ptr<Services> svc;
  std::vector<std::string> boxes;
  int slept = 0;
};

TEST_F(ServiceControl, TickingInstallsAUnitThatStartsOnDemandUnlessAutomaticIsChosen) {
  struct Case {
    int startType;
    bool enabled;
  };
  for (const Case c : {Case{0, true}, Case{1, false}, Case{-1, false}}) {
    SCOPED_TRACE(c.startType);
    fs::remove(dir.file("units/NorvaAgent.service"));
    fs::remove(dir.file("state/enabled"));
    fs::remove(dir.file("state/calls"));
    ServiceDialogLogic dialog(services());
    ServiceDialogState s = dialog.FormCreate();
    EXPECT_TRUE(s.systemPage);
    EXPECT_FALSE(s.checkService);
    EXPECT_FALSE(s.stopEnabled || s.startEnabled);
    s.checkService = true;
    s.startType = c.startType;
    dialog.OKClick(s);

    EXPECT_TRUE(boxes.empty()) << boxes.front();
    ASSERT_TRUE(unitExists());
    const std::string unit = dir.read("units/NorvaAgent.service");
    EXPECT_NE(unit.find("Description=Norva Agent\n"), std::string::npos) << unit;
    EXPECT_NE(unit.find("Type=notify\n"), std::string::npos) << unit;
    EXPECT_NE(unit.find("ExecStart=\"/opt/norva agent/NAgent\" /service\n"), std::string::npos)
        << unit;
    EXPECT_NE(unit.find("WantedBy=multi-user.target\n"), std::string::npos) << unit;
    EXPECT_EQ(fs::exists(dir.file("state/enabled")), c.enabled);
    // Installing does not start it.
    EXPECT_FALSE(fs::exists(dir.file("state/active")));

    // The next opening finds it installed, with its start type.
    ServiceDialogLogic again(services());
    const ServiceDialogState found = again.FormCreate();
    EXPECT_TRUE(found.checkService);
    EXPECT_EQ(found.startType, c.enabled ? 0 : 1);
    EXPECT_TRUE(found.startEnabled);
    EXPECT_FALSE(found.stopEnabled);
  }
}

TEST_F(ServiceControl, UntickingStopsDisablesAndDeletesTheUnitEvenWhenTheStopFails) {
  for (const bool stopFails : {false, true}) {
    SCOPED_TRACE(stopFails);
    fs::remove(dir.file("state/calls"));
    install(true, "active");
    if (stopFails) set("fail-stop");
    ServiceDialogLogic dialog(services());
    ServiceDialogState s = dialog.FormCreate();
    ASSERT_TRUE(s.checkService);
    EXPECT_TRUE(s.stopEnabled);
    s.checkService = false;
    dialog.OKClick(s);
    const std::vector<std::string> expected = {
        "--no-ask-password --no-block stop NorvaAgent.service",
        "--no-ask-password disable NorvaAgent.service",
        "--no-ask-password daemon-reload",
    };
    EXPECT_EQ(actions(), expected);
    EXPECT_FALSE(unitExists());
    EXPECT_FALSE(fs::exists(dir.file("state/enabled")));
    // A stop that failed on its own shows nothing.
    EXPECT_TRUE(boxes.empty());
  }
}

TEST_F(ServiceControl, OnlyAChangedTickActsAndANewStartTypeAloneChangesNothing) {
  install(false, "inactive");
  ServiceDialogLogic dialog(services());
  ServiceDialogState s = dialog.FormCreate();
  ASSERT_EQ(s.startType, 1);
  s.startType = 0;
  dialog.OKClick(s);
  EXPECT_TRUE(actions().empty());
  EXPECT_TRUE(unitExists());
  EXPECT_FALSE(fs::exists(dir.file("state/enabled")));
}

TEST_F(ServiceControl, StopWaitsWhileTheUnitIsDeactivatingAndTheButtonsFollow) {
  install(true, "active");
  set("stop-slowly", "2\n");
  ServiceDialogLogic dialog(services());
  ServiceDialogState s = dialog.FormCreate();
  ASSERT_TRUE(s.stopEnabled);
  dialog.ButtonStopClick(s);
  EXPECT_EQ(slept, 3000);  // two looks while deactivating, then stopped
  EXPECT_FALSE(s.stopEnabled);
  EXPECT_TRUE(s.startEnabled);
  EXPECT_TRUE(unitExists()) << "stopping does not remove";

  dialog.ButtonStartClick(s);
  EXPECT_EQ(dir.read("state/active"), "active\n");
  EXPECT_FALSE(s.startEnabled);
  EXPECT_TRUE(s.stopEnabled);
}

TEST_F(ServiceControl, RefusedStopAndStartKeepTheirButtonAndMissingRightsAreSaidWithText200) {
  install(true, "active");
  set("fail-stop");
  ServiceDialogLogic dialog(services());
  ServiceDialogState s = dialog.FormCreate();
  dialog.ButtonStopClick(s);
  EXPECT_TRUE(s.stopEnabled);
  EXPECT_FALSE(s.startEnabled);
  EXPECT_TRUE(boxes.empty());

  set("deny-start");
  dialog.ButtonStartClick(s);
  EXPECT_TRUE(s.startEnabled);
  EXPECT_FALSE(s.stopEnabled);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "text 137: text 200");

  // Any other refusal of an install shows the manager's own words.
  fs::remove(dir.file("units/NorvaAgent.service"));
  set("fail-daemon-reload");
  boxes.clear();
  services().InstallService(0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "text 137: Job for NorvaAgent.service failed.");
}

TEST_F(ServiceControl, AManagerThatCannotBeReachedIsSaidAndTheServiceCountsAsNotInstalled) {
  fs::remove(dir.file("systemctl"));
  ServiceDialogLogic dialog(services());
  const ServiceDialogState s = dialog.FormCreate();
  EXPECT_TRUE(s.systemPage);
  EXPECT_FALSE(s.checkService);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "text 137: " + dir.file("systemctl") + ": not found");
}

TEST_F(ServiceControl, TheServiceCountsAsRunningInEveryStateButStoppedAndOnlyUnderSystemd) {
  struct Case {
    const char* active;
    bool running;
  };
  for (const Case c : {Case{"active", true}, Case{"activating", true}, Case{"deactivating", true},
                       Case{"inactive", false}, Case{"failed", false}}) {
    SCOPED_TRACE(c.active);
    install(true, c.active);
    set("stop-slowly", "5\n");
    set("left", "5\n");
    EXPECT_EQ(services().ServiceIsRunning(), c.running);
  }
  // Not installed: not running, and nothing to say about it.
  fs::remove(dir.file("units/NorvaAgent.service"));
  set("active", "active\n");
  EXPECT_FALSE(services().ServiceIsRunning());
  // Without systemd nothing is asked.
  install(true, "active");
  fs::remove(dir.file("state/calls"));
  fs::remove(dir.file("run-systemd"));
  EXPECT_FALSE(services().ServiceIsRunning());
  EXPECT_TRUE(calls().empty());
  EXPECT_TRUE(boxes.empty());
}

TEST_F(ServiceControl, WithoutSystemdTheDialogWritesTheAutostartEntryAtEveryOk) {
  fs::remove(dir.file("run-systemd"));
  const std::string entry = dir.file("home/.config/autostart/NorvaAgent.desktop");
  ServiceDialogLogic dialog(services());
  ServiceDialogState s = dialog.FormCreate();
  EXPECT_FALSE(s.systemPage);
  EXPECT_FALSE(s.checkAutostart);
  s.checkAutostart = true;
  dialog.OKClick(s);
  ASSERT_TRUE(fs::exists(entry));
  const std::string text = dir.read("home/.config/autostart/NorvaAgent.desktop");
  EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Exec=\"/opt/norva agent/NAgent\" /hide\n"), std::string::npos) << text;

  // Written again at an OK with the tick still on (it was lost meanwhile).
  fs::remove(entry);
  ServiceDialogLogic again(services());
  ASSERT_FALSE(again.FormCreate().checkAutostart);
  s.checkAutostart = true;
  again.OKClick(s);
  EXPECT_TRUE(fs::exists(entry));
  ServiceDialogLogic third(services());
  s = third.FormCreate();
  EXPECT_TRUE(s.checkAutostart);
  s.checkAutostart = false;
  third.OKClick(s);
  EXPECT_FALSE(fs::exists(entry));
  EXPECT_TRUE(calls().empty());
}

}  // namespace
}  // namespace norva
