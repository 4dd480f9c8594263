// The services dialog's widgets over its logic, with a service manager kept
// in memory.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <memory>
#include <string>
#include <vector>

#include "i18n/tnls.h"
#include "service/services.h"
#include "support/temp_dir.h"
#include "ui/dialogs.h"
#include "ui/service_dialog_binding.h"

namespace norva {
namespace {

struct MemoryManager : ServiceManager {
  bool available() override { return systemd; }
  bool connect() override { return true; }
  bool queryUnit(UnitInfo& i) override {
    i = info;
    return true;
  }
  bool createUnit(const std::string&, const std::string&, bool automatic) override {
    calls.push_back(automatic ? "create automatic" : "create demand");
    return true;
  }
  bool deleteUnit() override {
    calls.push_back("delete");
    return true;
  }
  bool sendStop() override {
    calls.push_back("stop");
    return true;
  }
  bool readActivity(UnitActivity& a) override {
    a = UnitActivity::Inactive;
    return true;
  }
  bool sendStart() override { return true; }
  ServiceFault lastFault() const override { return {}; }

  bool systemd = true;
  UnitInfo info;
  std::vector<std::string> calls;
};

struct NoAutostart : AutostartStore {
  std::string readCommand() override { return {}; }
  bool write(const std::string&, const std::string&) override { return true; }
  bool remove() override { return true; }
};

struct Binding : ::testing::Test {
  Binding() {
    Services::Env env;
    env.manager = &manager;
    env.autostart = &autostart;
    env.programPath = "/opt/norva-agent/NAgent";
    env.sleep = [](int) {};
    services = std::make_unique<Services>(env);
  }
  MemoryManager manager;
  NoAutostart autostart;
  std::unique_ptr<Services> services;
  test::TempDir dir;
  TNLS nls{dir.path()};
};

TEST_F(Binding, ShowsOnlyTheServicePageFilledFromTheUnitAndItsButtonsAct) {
  manager.info = {true, 1, UnitActivity::Active};
  SetServDialog d(nullptr, &nls, bindServiceDialog(*services));
  d.show();
  QApplication::processEvents();
  EXPECT_TRUE(d.pages()->isTabVisible(1));
  EXPECT_FALSE(d.pages()->isTabVisible(0));
  EXPECT_EQ(d.pages()->currentIndex(), 1);
  EXPECT_TRUE(d.checkNT()->isChecked());
  EXPECT_TRUE(d.startManual()->isChecked());
  EXPECT_FALSE(d.startAutomatic()->isChecked());
  EXPECT_TRUE(d.buttonStop()->isEnabled());
  EXPECT_FALSE(d.buttonStart()->isEnabled());

  d.buttonStop()->click();
  EXPECT_FALSE(d.buttonStop()->isEnabled());
  EXPECT_TRUE(d.buttonStart()->isEnabled());

  d.checkNT()->setChecked(false);
  d.accept();
  const std::vector<std::string> expected = {"stop", "stop", "delete"};
  EXPECT_EQ(manager.calls, expected);
}

TEST_F(Binding, AUnitOfNeitherStartTypeSelectsNoItemAndNoItemInstallsOnDemand) {
  manager.info = {true, -1, UnitActivity::Inactive};
  {
    SetServDialog d(nullptr, &nls, bindServiceDialog(*services));
    d.show();
    QApplication::processEvents();
    EXPECT_TRUE(d.checkNT()->isChecked());
    EXPECT_FALSE(d.startAutomatic()->isChecked());
    EXPECT_FALSE(d.startManual()->isChecked());
    EXPECT_TRUE(d.buttonStart()->isEnabled());
    d.checkNT()->setChecked(false);
    d.accept();
  }
  manager.info = {};
  manager.calls.clear();
  SetServDialog d(nullptr, &nls, bindServiceDialog(*services));
  d.show();
  QApplication::processEvents();
  ASSERT_FALSE(d.checkNT()->isChecked());
  d.checkNT()->setChecked(true);
  d.startAutomatic()->setAutoExclusive(false);
  d.startAutomatic()->setChecked(false);
  d.accept();
  const std::vector<std::string> expected = {"create demand"};
  EXPECT_EQ(manager.calls, expected);
}

TEST_F(Binding, WithoutSystemdOnlyTheAutostartPageShows) {
  manager.systemd = false;
  SetServDialog d(nullptr, &nls, bindServiceDialog(*services));
  d.show();
  QApplication::processEvents();
  EXPECT_TRUE(d.pages()->isTabVisible(0));
  EXPECT_FALSE(d.pages()->isTabVisible(1));
  EXPECT_EQ(d.pages()->currentIndex(), 0);
}

}  // namespace
}  // namespace norva
